// Renders the panel's windows against the virtual board to PNG files:
//   velotrack-screenshots OUTPUT_DIR [ICON_PNG]
// Run on the offscreen platform by scripts/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/qt/app_icon.h"
#include "platform/qt/dialog_units.h"
#include "resources/resource_ids.h"
#include "shell/qt/panel_session.h"

namespace {

namespace res = vt::resources;
using vt::platform::WindowHandle;

bool Save(QWidget* widget, const QString& dir, const char* name) {
  if (widget == nullptr) return false;
  const QString path = QDir(dir).filePath(QString::fromLatin1(name));
  const bool ok = widget->grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
  return ok;
}

void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: velotrack-screenshots OUTPUT_DIR [ICON_PNG]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(vt::platform::qt::DialogFont());
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  if (argc > 2) vt::platform::qt::DrawAppIcon(64).save(QString::fromLocal8Bit(argv[2]));

  // A scratch folder with the debug marker, so the Debug page exists.
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "velotrack-shots";
  std::filesystem::create_directories(work);
  std::ofstream(work / "debug.cmd").put('\n');

  vt::shell::PanelStartup startup;
  startup.options.boardAddress = "virtual";
  startup.workDir = work;
  startup.unattended = true;
  vt::shell::qt::PanelSession session(std::move(startup));
  if (!session.Start()) return 1;
  auto& ui = session.Ui();
  vt::shell::MainWindow& panel = *session.Window();
  const WindowHandle main = panel.Window();
  Settle(300);
  int failures = 0;
  failures += !Save(ui.Widget(main), out, "main-window.png");

  // A page with servo positions, in milliseconds and in degrees.
  const WindowHandle page = panel.Pages()[2];
  ui.SelectTab(main, res::main_window::kTabs, 2);
  panel.OnTabChanged(2);
  ui.SendCommand(main, res::menu::kMilliseconds);
  Settle(100);
  failures += !Save(ui.Widget(page), out, "profile-page-ms.png");
  ui.SendCommand(main, res::menu::kDegrees);
  Settle(100);
  failures += !Save(ui.Widget(page), out, "profile-page-degrees.png");

  ui.SelectTab(main, res::main_window::kTabs, 7);
  panel.OnTabChanged(7);
  Settle(600);  // the poll fetches the board's messages meanwhile
  failures += !Save(ui.Widget(main), out, "debug-page.png");
  ui.SelectTab(main, res::main_window::kTabs, 0);
  panel.OnTabChanged(0);

  ui.SetModalResponder([&](WindowHandle about) {
    QWidget* w = ui.Widget(about);
    w->show();
    Settle(50);
    failures += !Save(w, out, "about-box.png");
    return vt::platform::kIdOk;
  });
  ui.SendCommand(main, res::menu::kAbout);

  // The progress window, caught halfway through a firmware update.
  bool caught = false;
  ui.SetPaintPumpObserver([&] {
    if (caught) return;
    for (WindowHandle w : ui.WindowsOf(res::kProgressWindow)) {
      const auto [lo, hi] = ui.ProgressRange(w, res::kProgressBar);
      if (hi > lo && ui.ProgressPos(w, res::kProgressBar) * 2 >= hi) {
        caught = true;
        Save(ui.Widget(w), out, "progress-window.png");
      }
    }
  });
  for (int i = 0; i < 4; ++i) ui.Script().QueueAnswer(vt::platform::MessageAnswer::Yes);
  ui.SendCommand(main, res::menu::kUpdateFirmware);
  failures += !caught;
  std::printf("status after the update: %s\n",
              ui.GetText(main, res::main_window::kStatus).c_str());
  return failures == 0 ? 0 : 1;
}
