// The desktop panel as a whole against the built-in virtual board: start-up,
// editing through the real widgets, transfers, files and a firmware update.
#ifdef VELOTRACK_HAVE_PANEL_APP

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "gui_test_main.h"
#include "resources/resource_ids.h"
#include "shell/qt/panel_session.h"
#include "shell/startup.h"

namespace fs = std::filesystem;
namespace res = vt::resources;
using vt::platform::MessageAnswer;
using vt::platform::WindowHandle;
using vt::shell::qt::PanelSession;
using vt::shell::PanelStartup;

namespace {

constexpr uint16_t kTilt1 = 0x8713;       // track bar of word 19
constexpr uint16_t kTilt1Label = 0x0713;
constexpr uint16_t kTotalShots = 0xC00A;  // selector of word 10
constexpr uint16_t kWaitBox = 0x700D;     // check box of word 13, bit 6

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct Panel {
  QTemporaryDir dir;
  std::unique_ptr<PanelSession> session;

  explicit Panel(bool debugMarker = false, const std::string& board = "virtual",
                 const std::string& args = {}) {
    if (debugMarker) WriteFile(Dir() / "debug.cmd", "");
    PanelStartup startup;
    startup.options.boardAddress = board;
    startup.options.argumentText = args;
    startup.workDir = Dir();
    startup.unattended = true;
    startup.backupRoot = Dir() / "backups";
    session = std::make_unique<PanelSession>(std::move(startup));
  }
  fs::path Dir() const { return fs::path(dir.path().toStdString()); }
  vt::platform::qt::QtUi& Ui() { return session->Ui(); }
  vt::shell::MainWindow& Window() { return *session->Window(); }
  WindowHandle Main() { return Window().Window(); }
  WindowHandle Page(int set) { return Window().Pages()[static_cast<size_t>(set)]; }
  uint16_t Word(int set, int w) {
    return Window().Editor()->TableOf(set)[static_cast<size_t>(w)];
  }
  void SelectSet(int set) {
    QTabWidget* tabs = qobject_cast<QTabWidget*>(Ui().ControlWidget(Main(), res::main_window::kTabs));
    tabs->setCurrentIndex(set);  // as a click on the tab does
  }
  // The first set page on which the control takes input.
  int SetWithEnabled(uint16_t id) {
    for (int set = 0; set < 7; ++set) {
      if (Ui().IsEnabled(Page(set), id)) return set;
    }
    return -1;
  }
  void Menu(uint16_t item) { Ui().MenuAction(Main(), item)->trigger(); }
  void Click(WindowHandle w, uint16_t id) {
    QTest::mouseClick(Ui().ControlWidget(w, id), Qt::LeftButton);
  }
  void Yes(int n = 1) {
    for (int i = 0; i < n; ++i) Ui().Script().QueueAnswer(MessageAnswer::Yes);
  }
};

}  // namespace

class PanelTest : public QObject {
  Q_OBJECT

 private slots:
  void optionsKeepTheBoardOutOfTheConverterSwitch() {
    using vt::shell::IsConverterMode;
    using vt::shell::ParsePanelArguments;
    const auto plain = ParsePanelArguments({});
    QCOMPARE(plain.boardAddress, std::string("auto"));
    QVERIFY(!IsConverterMode(plain.argumentText));
    QVERIFY(IsConverterMode(ParsePanelArguments({"-config"}).argumentText));
    QVERIFY(IsConverterMode(ParsePanelArguments({"x", "a-cb"}).argumentText));
    const auto socket = ParsePanelArguments({"--board", "unix:/run/my-cam.sock", "go"});
    QCOMPARE(socket.boardAddress, std::string("unix:/run/my-cam.sock"));
    QCOMPARE(socket.argumentText, std::string("go"));
    QCOMPARE(socket.commandText, std::string("--board unix:/run/my-cam.sock go"));
    QVERIFY(!IsConverterMode(socket.argumentText));
    QCOMPARE(ParsePanelArguments({"--board=virtual"}).boardAddress, std::string("virtual"));
    QVERIFY(!ParsePanelArguments({"--board"}).error.empty());

    using vt::shell::DisplayAvailable;
    QVERIFY(!DisplayAvailable([](const char*) -> const char* { return nullptr; }));
    QVERIFY(!DisplayAvailable([](const char*) -> const char* { return ""; }));
    QVERIFY(DisplayAvailable([](const char* n) -> const char* {
      return std::string(n) == "WAYLAND_DISPLAY" ? "wayland-0" : nullptr;
    }));
  }

  void startupReadsTheBoardAndFillsEveryPage() {
    Panel p;
    QVERIFY(p.session->Start());
    auto& ui = p.Ui();
    QCOMPARE(ui.TabCount(p.Main(), res::main_window::kTabs), 7);
    QVERIFY(ui.GetCaption(p.Main()).find("2.6.76") != std::string::npos);
    QCOMPARE(ui.GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    QVERIFY(ui.GetText(p.Main(), res::main_window::kFirmware).rfind("Firmware version: ", 0) == 0);
    QVERIFY(ui.GetText(p.Main(), res::main_window::kFirmware) != "Firmware version: ?");
    QVERIFY(!ui.GetText(p.Main(), res::main_window::kSerial).empty());
    QVERIFY(!ui.IsVisible(p.Main(), res::main_window::kGetMessages));
    for (int set = 0; set < 7; ++set) {
      QVERIFY(ui.SelectorCount(p.Page(set), 0xC000) > 0);
      QCOMPARE(static_cast<uint16_t>(ui.SelectedData(p.Page(set), 0xC000).value_or(-1)),
               p.Word(set, 0));
      QCOMPARE(ui.TrackPos(p.Page(set), kTilt1), static_cast<int>(p.Word(set, 19)));
      QVERIFY(!ui.GetText(p.Page(set), kTilt1Label).empty());
    }
    QVERIFY(ui.IsMenuItemChecked(p.Main(), res::menu::kDegrees));
    // The poll runs from the start, at the platform's shortest useful period.
    QCOMPARE(ui.EffectiveTimerPeriod(p.Main(), 504),
             std::optional<uint32_t>(vt::platform::qt::QtUi::kMinTimerPeriodMs));
    QVERIFY(!fs::exists(p.Dir() / "debug.log"));
    QCOMPARE(ui.Script().Unscripted(), size_t{0});
  }

  void editingThroughTheWidgetsChangesTheWordTable() {
    Panel p;
    QVERIFY(p.session->Start());
    auto& ui = p.Ui();

    const int tiltSet = p.SetWithEnabled(kTilt1);
    QVERIFY(tiltSet >= 0);
    p.SelectSet(tiltSet);
    QCOMPARE(p.Window().CurrentSet(), tiltSet);
    QWidget* bar = ui.ControlWidget(p.Page(tiltSet), kTilt1);
    QTest::keyClick(bar, Qt::Key_Home);
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(p.Word(tiltSet, 19), uint16_t{1});
    p.Menu(res::menu::kMilliseconds);
    QCOMPARE(ui.GetText(p.Page(tiltSet), kTilt1Label), std::string("0.01ms"));
    QVERIFY(ui.IsMenuItemChecked(p.Main(), res::menu::kMilliseconds));
    QVERIFY(!ui.IsMenuItemChecked(p.Main(), res::menu::kDegrees));
    QTest::keyClick(bar, Qt::Key_End);
    QCOMPARE(p.Word(tiltSet, 19), uint16_t{255});
    QCOMPARE(ui.GetText(p.Page(tiltSet), kTilt1Label), std::string("2.55ms"));
    p.Menu(res::menu::kDegrees);
    QCOMPARE(ui.GetText(p.Page(tiltSet), kTilt1Label), std::string("94°"));  // (255-150)*0.9

    const int shotSet = p.SetWithEnabled(kTotalShots);
    QVERIFY(shotSet >= 0);
    p.SelectSet(shotSet);
    auto* shots = qobject_cast<QComboBox*>(ui.ControlWidget(p.Page(shotSet), kTotalShots));
    const int before = shots->currentIndex();
    QTest::keyClick(shots, before + 1 < shots->count() ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(shots->currentIndex() != before);
    QCOMPARE(static_cast<int32_t>(p.Word(shotSet, 10)),
             *ui.SelectedData(p.Page(shotSet), kTotalShots));

    const uint16_t bit6 = 1u << 6;
    const uint16_t word13 = p.Word(shotSet, 13);
    p.Click(p.Page(shotSet), kWaitBox);
    QCOMPARE(static_cast<uint16_t>(p.Word(shotSet, 13) ^ word13), bit6);
    QCOMPARE(ui.IsChecked(p.Page(shotSet), kWaitBox), (p.Word(shotSet, 13) & bit6) != 0);
    QCOMPARE(ui.Script().Unscripted(), size_t{0});
  }

  void saveTotalClearAndFilesKeepWhatThePagesShow() {
    Panel p;
    QVERIFY(p.session->Start());
    auto& ui = p.Ui();
    const int set = p.SetWithEnabled(kTilt1);
    QVERIFY(set >= 0);
    p.SelectSet(set);
    QWidget* bar = ui.ControlWidget(p.Page(set), kTilt1);
    QTest::keyClick(bar, Qt::Key_End);
    QCOMPARE(p.Word(set, 19), uint16_t{255});

    // Saved to the board, changed on screen, read back: the saved value.
    p.Yes();
    p.Click(p.Main(), res::main_window::kSaveSettings);
    QCOMPARE(ui.GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    QTest::keyClick(bar, Qt::Key_Home);
    QCOMPARE(p.Word(set, 19), uint16_t{0});
    p.Yes();
    p.Click(p.Main(), res::main_window::kGetSettings);
    QCOMPARE(p.Word(set, 19), uint16_t{255});
    QCOMPARE(ui.TrackPos(p.Page(set), kTilt1), 255);

    // The set to a file, a change, the file back (all sets go to a file of
    // their own).
    const fs::path all = p.Dir() / "all.dat";
    ui.Script().QueueFile(all.string());
    p.Menu(res::menu::kSaveAllSets);
    QCOMPARE(fs::file_size(all), std::uintmax_t{48 + 7 * 80});
    const fs::path one = p.Dir() / "one.dat";
    ui.Script().QueueFile(one.string());
    p.Menu(res::menu::kSaveSet);
    QCOMPARE(fs::file_size(one), std::uintmax_t{48 + 80});
    QTest::keyClick(bar, Qt::Key_Home);
    QCOMPARE(p.Word(set, 19), uint16_t{0});
    ui.Script().QueueFile(one.string());
    p.Yes();
    p.Menu(res::menu::kOpen);
    QCOMPARE(p.Word(set, 19), uint16_t{255});
    QCOMPARE(ui.TrackPos(p.Page(set), kTilt1), 255);

    // Total Clear puts the board back to its defaults and shows them.
    p.Yes(2);
    p.Menu(res::menu::kTotalClear);
    QCOMPARE(ui.GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    QVERIFY(p.Word(set, 19) != 255);
    QCOMPARE(ui.TrackPos(p.Page(set), kTilt1), static_cast<int>(p.Word(set, 19)));
    const vt::profiles::WordTables cleared = p.Window().Editor()->Tables();
    p.Yes();
    p.Click(p.Main(), res::main_window::kGetSettings);
    QVERIFY(p.Window().Editor()->Tables() == cleared);
  }

  void firmwareUpdateShowsProgressAndEndsWithOk() {
    Panel p;
    QVERIFY(p.session->Start());
    auto& ui = p.Ui();
    std::vector<int> positions;
    int range = 0;
    ui.SetPaintPumpObserver([&] {
      for (WindowHandle w : ui.WindowsOf(res::kProgressWindow)) {
        positions.push_back(ui.ProgressPos(w, res::kProgressBar));
        range = ui.ProgressRange(w, res::kProgressBar).second;
        QVERIFY(ui.GetText(w, res::kProgressText).rfind("Updating ", 0) == 0);
      }
    });
    p.Yes(4);
    p.Menu(res::menu::kUpdateFirmware);
    QVERIFY(!positions.empty());
    QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    QVERIFY(positions.back() > positions.front());
    QVERIFY(positions.back() >= range - 1);
    QVERIFY(ui.WindowsOf(res::kProgressWindow).empty());
    QCOMPARE(ui.GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    QVERIFY(ui.TimerPeriod(p.Main(), 504).has_value());  // the poll runs again
  }

  void debugMarkerReplacesTheLogAndAddsTheDebugPage() {
    Panel p(true, "virtual", "hello -x");
    WriteFile(p.Dir() / "debug.log", "an old log\n");
    QVERIFY(p.session->Start());
    auto& ui = p.Ui();
    QCOMPARE(ui.TabCount(p.Main(), res::main_window::kTabs), 8);
    QCOMPARE(ui.TabText(p.Main(), res::main_window::kTabs, 7), std::string("Debug"));
    QVERIFY(ui.IsVisible(p.Main(), res::main_window::kGetMessages));
    p.SelectSet(7);
    QVERIFY(ui.IsWindowVisible(p.Window().DebugPage()));
    QVERIFY(!ui.IsWindowVisible(p.Page(0)));
    // The poll brings the board's messages into the list.
    QTRY_VERIFY_WITH_TIMEOUT(ui.ListCount(p.Window().DebugPage(), res::debug_page::kMessages) > 0,
                             5000);
    QVERIFY(!ui.GetText(p.Main(), res::main_window::kBoardMessage).empty());

    // Quit ends the loop with 0 and closes the log.
    QTimer::singleShot(0, [&] { p.Click(p.Main(), res::main_window::kQuit); });
    QCOMPARE(p.session->Run(), 0);
    const std::string log = ReadFile(p.Dir() / "debug.log");
    QVERIFY(log.rfind("CmdLine: hello -x", 0) == 0);
    QVERIFY(log.find("an old log") == std::string::npos);
  }

  void buildRecordIsKeptOnlyWhenItExists() {
    {
      Panel p;
      QVERIFY(p.session->Start());
      QVERIFY(!fs::exists(p.Dir() / "build.dat"));
    }
    Panel p;
    WriteFile(p.Dir() / "build.dat", "12345");
    const fs::path program = p.Dir() / "program";
    WriteFile(program, "x");
    PanelStartup startup;
    startup.options.boardAddress = "virtual";
    startup.workDir = p.Dir();
    startup.commandLine = "\"" + program.string() + "\" -x";
    startup.unattended = true;
    startup.backupRoot = p.Dir() / "backups";
    p.session = std::make_unique<PanelSession>(std::move(startup));
    QVERIFY(p.session->Start());
    const std::string record = ReadFile(p.Dir() / "build.dat");
    QCOMPARE(record.size(), size_t{12});
    QCOMPARE(static_cast<uint8_t>(record[0]), uint8_t{76});
    QCOMPARE(record.substr(1, 3), std::string(3, '\0'));
  }

  void anUnusableBoardBackendEndsWithTheFatalBox() {
    QTemporaryDir dir;
    const fs::path flash = fs::path(dir.path().toStdString()) / "short.bin";
    WriteFile(flash, "abc");
    Panel p(false, "virtual:file=" + flash.string());
    QVERIFY(!p.session->Start());
    QCOMPARE(p.session->ExitCode(), 1);
    QVERIFY(p.session->Window() == nullptr);
    const auto& boxes = p.Ui().Script().MessageBoxes();
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].request.text, std::string("Unable to open system DLL's:\nsetupapi.dll or hid.dll"));
    QCOMPARE(boxes[0].request.caption, std::string("DLL Fatal Error"));
    QCOMPARE(boxes[0].request.buttons, vt::platform::MessageButtons::Ok);
    QCOMPARE(ReadFile(flash), std::string("abc"));  // left untouched
  }

  void theProgramRunsTheConverterOrExplainsAMissingDisplay() {
    QTemporaryDir dir;
    WriteFile(fs::path(dir.path().toStdString()) / "debug.cmd", "");
    QProcess converter;
    converter.setWorkingDirectory(dir.path());
    converter.start(QStringLiteral(VELOTRACK_PANEL_PATH), {QStringLiteral("-config")});
    QVERIFY(converter.waitForFinished(10000));
    QCOMPARE(converter.exitCode(), 1);  // no usbfw.elf to convert
    QVERIFY(!QFile::exists(dir.filePath("debug.log")));  // no log, no window

    QProcess headless;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      env.remove(QString::fromLatin1(name));
    }
    headless.setProcessEnvironment(env);
    headless.setWorkingDirectory(dir.path());
    headless.start(QStringLiteral(VELOTRACK_PANEL_PATH), {QStringLiteral("--board"),
                                                          QStringLiteral("virtual")});
    QVERIFY(headless.waitForFinished(10000));
    QCOMPARE(headless.exitStatus(), QProcess::NormalExit);
    QCOMPARE(headless.exitCode(), 2);
    QVERIFY(headless.readAllStandardError().contains("xvfb-run"));
  }

  void aTerminatedPanelClosesAndKeepsItsVirtualBoard() {
    QTemporaryDir dir;
    const QString flash = dir.filePath(QStringLiteral("flash.bin"));
    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());  // the window place it keeps
    panel.setProcessEnvironment(env);
    panel.setWorkingDirectory(dir.path());
    panel.start(QStringLiteral(VELOTRACK_PANEL_PATH),
                {QStringLiteral("--board"), QStringLiteral("virtual:file=") + flash});
    QVERIFY(panel.waitForStarted(10000));
    // Once the panel catches SIGTERM it is up and running its loop.
    const QString status = QStringLiteral("/proc/%1/status").arg(panel.processId());
    auto catchesTerm = [&] {
      QFile file(status);
      if (!file.open(QIODevice::ReadOnly)) return false;
      for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
          const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
          return (mask & (1ull << (SIGTERM - 1))) != 0;
        }
      }
      return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(catchesTerm(), 10000);
    panel.terminate();
    QVERIFY(panel.waitForFinished(10000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);
    QVERIFY(QFileInfo(flash).size() > 0);  // the board's flash was written back
  }
};

VT_GUI_TEST(PanelTest);

#include "panel_test.moc"

#endif  // VELOTRACK_HAVE_PANEL_APP
