// The panel during long board operations on a slow board: the window keeps
// repainting, shows what runs and how far it is, ignores input and holds a
// close until the board is safe.
#ifdef VELOTRACK_HAVE_PANEL_APP

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>

#include "gui_test_main.h"
#include "resources/resource_ids.h"
#include "shell/qt/panel_session.h"

namespace res = vt::resources;
using vt::platform::HidBackend;
using vt::platform::HidHandle;
using vt::platform::MessageAnswer;
using vt::platform::WindowHandle;

namespace {

// A board behind a slow link: every exchange takes `delayMs` of real time.
class SlowBoard final : public HidBackend {
 public:
  SlowBoard(HidBackend& inner, int delayMs) : inner_(inner), delay_(delayMs) {}
  std::vector<vt::platform::HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  int Open(const std::string& path, HidHandle* handle) override { return inner_.Open(path, handle); }
  void Close(HidHandle handle) override { inner_.Close(handle); }
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override {
    Pause();
    return inner_.Write(handle, report, waitMs);
  }
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override {
    Pause();
    return inner_.Read(handle, buf, waitMs, got);
  }
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override {
    Pause();
    return inner_.GetIndexedString(handle, index, buf, got);
  }
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override {
    return inner_.GetSerial(handle, buf, got);
  }
  bool slow = false;

 private:
  void Pause() {
    if (!slow) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_));
    sleptMs += delay_;
  }

 public:
  qint64 sleptMs = 0;

 private:
  HidBackend& inner_;
  int delay_;
};

struct SlowPanel {
  QTemporaryDir dir;
  SlowBoard* board = nullptr;
  std::unique_ptr<vt::shell::qt::PanelSession> session;

  explicit SlowPanel(int delayMs = 8) {
    vt::shell::PanelStartup startup;
    startup.options.boardAddress = "virtual";
    startup.workDir = dir.path().toStdString();
    startup.unattended = true;
    startup.backupRoot = startup.workDir / "backups";
    startup.wrapBoard = [this, delayMs](HidBackend& inner) {
      auto slowBoard = std::make_unique<SlowBoard>(inner, delayMs);
      board = slowBoard.get();
      return slowBoard;
    };
    session = std::make_unique<vt::shell::qt::PanelSession>(std::move(startup));
  }
  vt::platform::qt::QtUi& Ui() { return session->Ui(); }
  WindowHandle Main() { return session->Window()->Window(); }
};

// The time the panel itself spent between two repaint chances: its thread's
// CPU time plus the time it waited for the slow board. Wall time would add
// whatever else the machine runs meanwhile, which says nothing about the
// panel.
class PanelTime {
 public:
  qint64 Restart(const SlowBoard& board) {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    const qint64 cpuNs = qint64{now.tv_sec} * 1000000000 + now.tv_nsec;
    const qint64 gap = (cpuNs - cpuNs_) / 1000000 + (board.sleptMs - sleptMs_);
    cpuNs_ = cpuNs;
    sleptMs_ = board.sleptMs;
    return gap;
  }

 private:
  qint64 cpuNs_ = 0;
  qint64 sleptMs_ = 0;
};

// What one long operation looked like from the outside.
struct Watch {
  qint64 longestGapMs = 0;   // between two repaint chances
  int pumps = 0;
  int busyTexts = 0;         // pumps that saw the busy text
  int maxProgress = -1;      // the busy bar's largest value ...
  int progressRange = 0;     // ... of this range
  int disabledPumps = 0;     // pumps that saw the window's buttons disabled
};

// Runs `start` (which begins one operation) with a click on `clickId`
// posted into the operation; the click must reach nobody.
Watch RunWatched(SlowPanel& p, const std::function<void()>& start, uint16_t clickId,
                 std::vector<uint16_t>* commands) {
  auto& ui = p.Ui();
  Watch watch;
  PanelTime since;
  bool clicked = false;
  ui.SetPaintPumpObserver([&] {
    const qint64 gap = since.Restart(*p.board);
    watch.longestGapMs = std::max(watch.longestGapMs, gap);
    ++watch.pumps;
    if (!ui.OperationRunning()) return;
    auto* label = qobject_cast<QLabel*>(ui.BusyLabel(p.Main()));
    if (label != nullptr && !label->text().isEmpty()) ++watch.busyTexts;
    if (auto* bar = qobject_cast<QProgressBar*>(ui.BusyBar(p.Main())); bar && bar->isVisible()) {
      watch.maxProgress = std::max(watch.maxProgress, bar->value());
      watch.progressRange = bar->maximum();
    }
    QWidget* button = ui.ControlWidget(p.Main(), clickId);
    if (button != nullptr && !button->isEnabled()) ++watch.disabledPumps;
    if (!clicked && watch.pumps > 3 && button != nullptr) {
      clicked = true;
      // Delivered during the next repaint, as a real click would be.
      QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
  });
  ui.SetEventHandler([&p, commands](const vt::platform::UiEvent& e) {
    if (e.kind == vt::platform::EventKind::Command) commands->push_back(e.id);
    p.session->Window()->HandleEvent(e);
  });
  since.Restart(*p.board);
  start();
  ui.SetPaintPumpObserver({});
  // Nothing was queued to run once the operation is over.
  QTest::qWait(150);
  return watch;
}

bool Contains(const std::vector<uint16_t>& ids, uint16_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

class ResponsiveTest : public QObject {
  Q_OBJECT

 private slots:
  void slowTotalClearRepaintsShowsProgressAndIgnoresClicks() {
    SlowPanel p;
    QVERIFY(p.session->Start());
    p.board->slow = true;
    std::vector<uint16_t> commands;
    p.Ui().Script().QueueAnswer(MessageAnswer::Yes);
    p.Ui().Script().QueueAnswer(MessageAnswer::Yes);
    const Watch w = RunWatched(
        p, [&] { p.Ui().MenuAction(p.Main(), res::menu::kTotalClear)->trigger(); },
        res::main_window::kGetSettings, &commands);
    QVERIFY2(p.board->sleptMs > 500, "the board was not slow; the test shows nothing");
    QVERIFY2(w.longestGapMs <= 100, qPrintable(QString::number(w.longestGapMs)));
    QVERIFY(w.pumps > 10);
    QVERIFY(w.busyTexts > 0);
    QVERIFY(w.disabledPumps > 0);
    // Real progress: the bar moved through most of its range.
    QVERIFY(w.progressRange > 0);
    QVERIFY2(w.maxProgress * 2 > w.progressRange, qPrintable(QString::number(w.maxProgress)));
    // The click during the operation did nothing, then or later.
    QVERIFY(!Contains(commands, res::main_window::kGetSettings));
    QCOMPARE(p.Ui().GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    QVERIFY(!p.Ui().OperationRunning());
    QVERIFY(p.Ui().ControlWidget(p.Main(), res::main_window::kGetSettings)->isEnabled());
  }

  void slowFirmwareUpdateRepaintsAndIgnoresClicks() {
    SlowPanel p(1);  // thousands of exchanges
    QVERIFY(p.session->Start());
    p.board->slow = true;
    std::vector<uint16_t> commands;
    for (int i = 0; i < 4; ++i) p.Ui().Script().QueueAnswer(MessageAnswer::Yes);
    const Watch w = RunWatched(
        p, [&] { p.Ui().MenuAction(p.Main(), res::menu::kUpdateFirmware)->trigger(); },
        res::main_window::kSaveSettings, &commands);
    QVERIFY2(w.longestGapMs <= 100, qPrintable(QString::number(w.longestGapMs)));
    QVERIFY(w.pumps > 10);
    QVERIFY(w.busyTexts > 0);
    QVERIFY(w.disabledPumps > 0);
    QVERIFY(!Contains(commands, res::main_window::kSaveSettings));
    QCOMPARE(p.Ui().GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
  }

  void aCloseDuringAnOperationWaitsForItsEnd() {
    SlowPanel p;
    QVERIFY(p.session->Start());
    p.board->slow = true;
    auto& ui = p.Ui();
    bool closedInside = false;
    bool asked = false;
    ui.SetPaintPumpObserver([&] {
      if (!ui.OperationRunning()) return;
      if (!asked) {
        asked = true;
        // The title bar's close, and a signal's close, while the board works.
        QWidget* frame = ui.Widget(p.Main());
        QTimer::singleShot(0, frame, [frame] { frame->close(); });
        ui.PostClose(p.Main());
      }
      if (!ui.IsWindow(p.Main())) closedInside = true;
    });
    p.Ui().Script().QueueAnswer(MessageAnswer::Yes);
    p.Ui().Script().QueueAnswer(MessageAnswer::Yes);
    ui.MenuAction(p.Main(), res::menu::kTotalClear)->trigger();
    ui.SetPaintPumpObserver({});
    QVERIFY(asked);
    QVERIFY(!closedInside);
    QCOMPARE(ui.GetText(p.Main(), res::main_window::kStatus), std::string("OK"));
    // Once the operation is over the close goes through.
    QTRY_VERIFY_WITH_TIMEOUT(!ui.IsWindow(p.Main()), 2000);
  }
};

VT_GUI_TEST(ResponsiveTest);

#include "responsive_test.moc"

#endif  // VELOTRACK_HAVE_PANEL_APP
