#include <gtest/gtest.h>

#include "platform/forwarding_hid_backend.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "tests/shell_main/panel_fixture.h"

namespace vt::shell {
namespace {

namespace mw = resources::main_window;

// Another program holds the board, as the HID stack tells it, until let go.
class HeldBoard final : public platform::ForwardingHidBackend {
 public:
  using ForwardingHidBackend::ForwardingHidBackend;
  int Claim(const std::string& path, const std::string& who, std::string* holder) override {
    if (!held) return Inner().Claim(path, who, holder);
    *holder = "velotrack firmware update (pid 7)";
    return platform::kWaitTimeout;
  }
  bool held = true;
};

// The start-up read waits its bounded time and says who holds the board;
// the message poll neither waits for the board nor counts it as gone, and
// the panel's own reads nest under its holds without waiting on themselves.
TEST(MainWindowBusyBoard, SaysWhoHoldsTheBoardAndThePollSkipsItsTurn) {
  platform::VirtualClock clock{1000};
  platform::DebugLog log;
  sim::VirtualHidBackend board(clock);
  board.AddBoard(sim::BoardConfig::Standard('M'));
  HeldBoard hid(board);
  devlink::BoardLink link{hid, clock, log};
  link.SetClaimWaitMs(3000);
  link.LoadDll();
  testing::TestUi ui{resources::BuiltInTemplates()};
  MainWindow panel{ui, link, clock, log};
  ui.SetEventHandler([&panel](const platform::UiEvent& e) { panel.HandleEvent(e); });
  testing::TempDir backups;
  panel.SetBackupRoot(backups.path);
  const uint64_t start = clock.ElapsedMs();
  const platform::WindowHandle main = panel.Create();
  ASSERT_NE(main, platform::kNoWindow);
  EXPECT_GE(clock.ElapsedMs() - start, 3000u);
  EXPECT_EQ(ui.GetText(main, mw::kStatus), "Velotrack I/O Error");
  const auto& boxes = ui.Script().MessageBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().request.text.find("the board is busy: used by velotrack firmware update (pid 7)"),
            std::string::npos)
      << boxes.back().request.text;

  const uint64_t beforePoll = clock.ElapsedMs();
  ASSERT_TRUE(ui.FireTimer(main, kMessagePollTimer));
  EXPECT_EQ(clock.ElapsedMs(), beforePoll);
  EXPECT_TRUE(ui.TimerPeriod(main, kMessagePollTimer).has_value());

  hid.held = false;
  ui.Script().QueueAnswer(platform::MessageAnswer::Yes);
  panel.OnCommand(main, mw::kGetSettings);
  EXPECT_EQ(ui.GetText(main, mw::kStatus), "OK");
}

}  // namespace
}  // namespace vt::shell
