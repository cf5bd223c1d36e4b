// The message poll with a device watch: no board I/O while no board is
// attached, the board found when the watch reports it, and the poll's pace.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include "devlink/test_command.h"
#include "platform/device_watch.h"
#include "platform/tracing/tracing_hid_backend.h"
#include "platform/ui/headless_ui.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "shell/main_window.h"
#include "sim/board/board_config.h"
#include "sim/hid/virtual_hid_backend.h"
#include "tests/shell_main/panel_fixture.h"

namespace vt::shell {
namespace {

namespace mw = resources::main_window;
namespace dp = resources::debug_page;

// Reports a change when told to, as the udev monitor does when a hidraw
// node comes or goes. The headless loop never waits on the descriptor.
class FakeWatch final : public platform::DeviceWatch {
 public:
  int ReadableFd() const override { return 0; }
  bool TakeChanges() override { return std::exchange(pending, false); }
  bool pending = false;
};

// The main window over the headless UI and the virtual HID stack (empty at
// first), every primitive counted on its way to the stack.
struct HotPlugPanel {
  explicit HotPlugPanel(bool debugLog = false, bool watched = true) {
    if (debugLog) {
      logStream = std::tmpfile();
      log.Attach(logStream);
    }
    link.LoadDll();
    ui.SetEventHandler([this](const platform::UiEvent& e) { panel.HandleEvent(e); });
    panel.SetBackupRoot(dir.path);
    if (watched) panel.SetDeviceWatch(&watch);
  }
  ~HotPlugPanel() {
    log.Close();
    if (logStream != nullptr) std::fclose(logStream);
  }
  void Start() {
    main = panel.Create();
    // A board there from the start offers the upgrade: declined.
    ui.Script().QueueAnswer(platform::MessageAnswer::No);
    ui.RunPending();
  }
  // The stack announces a change and the loop wakes the window.
  bool Announce() {
    watch.pending = true;
    return ui.CheckDeviceWatch();
  }
  size_t Calls() const {
    const std::string text = calls.str();
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  bool PollRunning() const { return ui.TimerPeriod(main, kMessagePollTimer).has_value(); }
  std::string Status() const { return ui.GetText(main, mw::kStatus); }

  testing::TempDir dir;
  platform::VirtualClock clock{1000};
  platform::DebugLog log;
  std::FILE* logStream = nullptr;
  sim::VirtualHidBackend hid{clock};
  std::ostringstream calls;
  platform::TracingHidBackend traced{hid, calls};
  devlink::BoardLink link{traced, clock, log};
  platform::HeadlessUi ui{resources::BuiltInTemplates()};
  FakeWatch watch;
  MainWindow panel{ui, link, clock, log};
  platform::WindowHandle main = platform::kNoWindow;
};

TEST(HotPlug, WithoutABoardTheIdlePanelDoesNoBoardIoUntilOneArrives) {
  HotPlugPanel p;
  p.Start();
  ASSERT_TRUE(p.panel.WatchesDevices());
  // The first tick looks once, finds nothing and stops the poll.
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.Status(), "Velotrack I/O Error");
  EXPECT_TRUE(p.panel.PollParked());
  EXPECT_FALSE(p.PollRunning());
  EXPECT_TRUE(p.ui.IsChecked(p.main, mw::kGetMessages));

  // An hour of idle time: not one primitive reaches the stack.
  const size_t idle = p.Calls();
  for (int tick = 0; tick < 3600; ++tick) {
    p.clock.SleepMs(1000);
    p.ui.FireTimer(p.main, kMessagePollTimer);
    p.ui.CheckDeviceWatch();
  }
  EXPECT_EQ(p.Calls(), idle);

  // Another device came and went: one look, and back to waiting.
  ASSERT_TRUE(p.Announce());
  EXPECT_EQ(p.Calls(), idle + 1);  // the enumeration
  EXPECT_TRUE(p.panel.PollParked());

  // The board arrives: found at once, and the poll fetches again.
  p.hid.AddBoard(sim::BoardConfig::Standard('M'));
  ASSERT_TRUE(p.Announce());
  EXPECT_EQ(p.Status(), "OK");
  EXPECT_FALSE(p.ui.GetText(p.main, mw::kSerial).empty());
  EXPECT_EQ(p.ui.GetText(p.main, mw::kBoardMessage), p.hid.Board(size_t{0})->MessagesEmitted().back());
  EXPECT_FALSE(p.panel.PollParked());
  ASSERT_TRUE(p.PollRunning());
  const size_t attached = p.Calls();
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_GT(p.Calls(), attached);

  // Pulled out: the next tick notices, says so and stops again.
  p.hid.Board(size_t{0})->SetPresent(false);
  p.Announce();
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.Status(), "Velotrack I/O Error");
  EXPECT_TRUE(p.panel.PollParked());
  const size_t gone = p.Calls();
  for (int tick = 0; tick < 100; ++tick) p.ui.FireTimer(p.main, kMessagePollTimer);
  EXPECT_EQ(p.Calls(), gone);
}

TEST(HotPlug, ABoardOperationRestartsTheParkedPoll) {
  HotPlugPanel p;
  p.Start();
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  ASSERT_TRUE(p.panel.PollParked());
  // A board the stack did not announce is found by a read the user asks for.
  p.hid.AddBoard(sim::BoardConfig::Standard('M'));
  p.ui.Script().QueueAnswer(platform::MessageAnswer::No);  // the upgrade offer
  p.ui.Script().QueueAnswer(platform::MessageAnswer::Yes);  // read the profiles
  p.panel.OnCommand(p.main, mw::kGetSettings);
  p.ui.RunPending();
  EXPECT_FALSE(p.panel.PollParked());
  ASSERT_TRUE(p.PollRunning());
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.Status(), "OK");

  // With "Get Messages" switched off a change starts nothing.
  p.hid.Board(size_t{0})->SetPresent(false);
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  ASSERT_TRUE(p.panel.PollParked());
  p.ui.SetCheck(p.main, mw::kGetMessages, false);
  p.hid.Board(size_t{0})->SetPresent(true);
  const size_t before = p.Calls();
  p.Announce();
  EXPECT_FALSE(p.PollRunning());
  EXPECT_EQ(p.Calls(), before);
}

TEST(HotPlug, WithoutAWatchThePollKeepsLookingAtAQuietPace) {
  HotPlugPanel p(false, false);
  p.Start();
  EXPECT_FALSE(p.panel.WatchesDevices());
  for (int tick = 0; tick < 3; ++tick) {
    const size_t before = p.Calls();
    ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
    EXPECT_GT(p.Calls(), before);  // a detection each tick
  }
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollQuietMs);
  p.hid.AddBoard(sim::BoardConfig::Standard('M'));
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.Status(), "OK");
}

TEST(HotPlug, ThePollIsFastWhileTheBoardTalksAndQuietOtherwise) {
  HotPlugPanel p(true);
  p.hid.AddBoard(sim::BoardConfig::Standard('M'));
  p.Start();
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollMs);
  // The start-up line is waiting: fetched at full pace, then quiet.
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollMs);
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollQuietMs);
  // New text brings the full pace back; nothing of it is lost.
  devlink::SendTestCommand(p.link, 0, 40, 0);  // "Servo CH0 -> 40"
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollMs);
  const platform::WindowHandle page = p.panel.DebugPage();
  const auto& emitted = p.hid.Board(size_t{0})->MessagesEmitted();
  ASSERT_GE(p.ui.ListCount(page, dp::kMessages), 2);
  EXPECT_EQ(p.ui.ListLine(page, dp::kMessages, p.ui.ListCount(page, dp::kMessages) - 1),
            emitted.back());
  // Switching the poll off and on starts it at full pace.
  ASSERT_TRUE(p.ui.FireTimer(p.main, kMessagePollTimer));
  ASSERT_TRUE(p.ui.UserClick(p.main, mw::kGetMessages));
  ASSERT_TRUE(p.ui.UserClick(p.main, mw::kGetMessages));
  EXPECT_EQ(p.ui.TimerPeriod(p.main, kMessagePollTimer), kMessagePollMs);
}

}  // namespace
}  // namespace vt::shell
