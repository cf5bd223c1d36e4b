// velotrack-panel: the desktop configuration panel.
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flash/image_converter.h"
#include "platform/guarded_main.h"
#include "platform/qt/app_icon.h"
#include "platform/qt/dialog_units.h"
#include "shell/qt/panel_session.h"
#include "shell/qt/quit_on_signal.h"
#include "shell/session/panel_options.h"
#include "shell/startup.h"

namespace {

int RunPanel(int argc, char** argv) {
  namespace vs = vt::shell;
  namespace pq = vt::shell::qt;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const vs::PanelOptions options = vs::ParsePanelArguments(args);
  if (!options.error.empty()) {
    std::fprintf(stderr, "velotrack-panel: %s\n%s", options.error.c_str(), vs::PanelUsage().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(vs::PanelUsage().c_str(), stdout);
    return 0;
  }
  // The image converter runs without any window or log.
  if (vt::shell::IsConverterMode(options.argumentText)) {
    std::string error;
    if (vt::flash::ConvertImageFile(".", &error)) return 0;
    std::fprintf(stderr, "velotrack-panel: %s\n", error.c_str());
    return 1;
  }
  if (!vs::DisplayAvailable([](const char* name) { return std::getenv(name); })) {
    std::fputs(vs::NoDisplayHelp().c_str(), stderr);
    return 2;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("velotrack-panel"));
  // Window place and last folders: ~/.config/velotrack/velotrack-panel.conf
  QApplication::setOrganizationName(QStringLiteral("velotrack"));
  QGuiApplication::setDesktopFileName(QStringLiteral("velotrack-panel"));
  QApplication::setWindowIcon(vt::platform::qt::AppIcon());
  QApplication::setFont(vt::platform::qt::DialogFont());
  // The main window decides when the panel ends.
  QApplication::setQuitOnLastWindowClosed(false);

  vs::PanelStartup startup;
  startup.options = options;
  startup.commandLine = "\"" + QApplication::applicationFilePath().toStdString() + "\"";
  if (!options.commandText.empty()) startup.commandLine += " " + options.commandText;
  pq::PanelSession session(std::move(startup));
  if (!session.Start()) return session.ExitCode();
  // Stopped from outside, the panel closes as if "Quit" was pressed.
  pq::QuitOnSignal quit([&session] {
    if (session.Window() != nullptr) session.Ui().PostClose(session.Window()->Window());
  });
  return session.Run();
}

}  // namespace

int main(int argc, char** argv) {
  return vt::platform::RunGuardedMain("velotrack-panel", [&] { return RunPanel(argc, argv); });
}
