// The "|>" buttons and "Test Device Settings" against the virtual board.
#include "shell/servo_tests.h"

#include <gtest/gtest.h>

#include "profiles/profile_model.h"
#include "resources/resource_ids.h"
#include "tests/shell_main/panel_fixture.h"

namespace vt::shell {
namespace {

using testing::PanelFixture;
namespace pp = resources::profile_page;
namespace w = profiles::word;

struct ServoFixture : PanelFixture {
  ServoFixture() : PanelFixture(false) { Start(); }
  profiles::WordTable& Words(int set = 0) { return panel.Editor()->TableOf(set); }
  // Virtual time one test command takes on the board.
  uint64_t CommandCost() {
    const uint64_t before = clock.ElapsedMs();
    panel.OnCommand(Page(0), pp::kTestTilt1);
    return clock.ElapsedMs() - before;
  }
  // Runs a page button and returns the virtual time it took.
  uint64_t Click(uint16_t id) {
    const uint64_t before = clock.ElapsedMs();
    EXPECT_TRUE(ui.UserClick(Page(panel.CurrentSet()), id));
    return clock.ElapsedMs() - before;
  }
};

TEST(ServoApplyWait, Rule) {
  EXPECT_EQ(ApplyWaitMs(255), 0u);
  EXPECT_EQ(ApplyWaitMs(0), 0u);
  EXPECT_EQ(ApplyWaitMs(9), 900u);
  EXPECT_EQ(ApplyWaitMs(10), 10u);
  EXPECT_EQ(ApplyWaitMs(300), 300u);
}

TEST(PanApplyTest, StepFromTheStartingPositionWrapsModulo256) {
  struct Case {
    uint16_t start, next;
    uint8_t target;
  };
  for (const Case c : {Case{200, 100, 150}, Case{250, 200, 44}, Case{0, 160, 10}}) {
    ServoFixture f;
    f.Words()[w::kControlMode] = 0;
    f.Words()[w::kPanStartPosition] = c.start;
    f.Words()[w::kPanNextPosition] = c.next;
    f.Words()[w::kPanApplyTime] = 255;
    f.Click(pp::kTestCh2);
    EXPECT_EQ(f.Board().ServoPositions()[2], c.target) << c.start << "+" << c.next;
    EXPECT_EQ(f.Board().ServoApplyTimes()[2], 255);
    EXPECT_EQ(f.Status(), "OK");
  }
}

TEST(PanApplyTest, WaitsFollowTheApplyTimeAndTheStartingPosition) {
  ServoFixture f;
  const uint64_t cost = f.CommandCost();
  f.Words()[w::kControlMode] = 0;
  f.Words()[w::kPanNextPosition] = 160;
  struct Case {
    uint16_t start, apply;
    uint64_t waited;
  };
  for (const Case c : {Case{0, 255, 0}, Case{0, 0, 0}, Case{0, 9, 900}, Case{0, 10, 10},
                       Case{150, 255, 1000}, Case{150, 5, 2 * 500 + 1000}}) {
    f.Words()[w::kPanStartPosition] = c.start;
    f.Words()[w::kPanApplyTime] = c.apply;
    const uint64_t commands = c.start != 0 ? 2 : 1;
    EXPECT_EQ(f.Click(pp::kTestCh0), commands * cost + c.waited) << c.start << "/" << c.apply;
  }
}

TEST(PanApplyTest, Ch0InRadioModeNeverMovesAServo) {
  ServoFixture f;
  f.Words()[w::kControlMode] = 11;
  f.Words()[w::kPanStartPosition] = 150;
  f.Words()[w::kPanNextPosition] = 170;
  f.Words()[w::kPanApplyTime] = 255;
  f.Board().Traffic().Clear();
  EXPECT_EQ(f.Click(pp::kTestCh0), 1000u);
  EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
  EXPECT_EQ(f.Status(), "OK");
  // CH2 is the way in this mode.
  f.Click(pp::kTestCh2);
  EXPECT_EQ(f.Board().ServoPositions()[2], 170);
  EXPECT_EQ(f.Board().ServoPositions()[0], 0);
}

TEST(TiltAndFingerTests, DriveTheirChannelsFromTheCurrentSet) {
  ServoFixture f;
  ASSERT_TRUE(f.ui.UserSelectTab(f.main, resources::main_window::kTabs, 3));
  auto& words = f.Words(3);
  for (int k = 0; k < 5; ++k) words[static_cast<size_t>(w::kTiltPosition1 + k)] = static_cast<uint16_t>(100 + k);
  words[w::kTiltApplyTime] = 0x0107;  // only the low byte goes out
  words[w::kFingerIdle] = 90;
  words[w::kFingerHalfPush] = 120;
  words[w::kFingerFullPush] = 0x01C8;
  f.panel.SetStatusText("unchanged");

  f.Click(static_cast<uint16_t>(pp::kTestTilt1 + 3));
  EXPECT_EQ(f.Board().ServoPositions()[1], 103);
  EXPECT_EQ(f.Board().ServoApplyTimes()[1], 7);

  words[w::kControlMethod] = 9;  // "Servo:CH3"
  f.Click(static_cast<uint16_t>(pp::kTestFingerIdle + 2));
  EXPECT_EQ(f.Board().ServoPositions()[3], 0xC8);
  EXPECT_EQ(f.Board().ServoApplyTimes()[3], 7);
  words[w::kControlMethod] = 0;
  f.Click(static_cast<uint16_t>(pp::kTestFingerIdle + 1));
  EXPECT_EQ(f.Board().ServoPositions()[2], 120);
  EXPECT_EQ(f.Status(), "unchanged");
}

TEST(DeviceSettingsTest, RunsOnlyForSetOnesAutomaticModes) {
  ServoFixture f;
  f.Words(0)[w::kControlMode] = 0;   // manual
  f.Words(4)[w::kControlMode] = 16;  // automatic, but not Set #1
  ASSERT_TRUE(f.ui.UserSelectTab(f.main, resources::main_window::kTabs, 4));
  f.Board().Traffic().Clear();
  ASSERT_TRUE(f.ui.UserChooseMenu(f.main, resources::menu::kTestDeviceSettings));
  EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
  EXPECT_TRUE(f.ui.Script().MessageBoxes().empty());

  for (const uint16_t mode : {uint16_t{16}, uint16_t{29}, uint16_t{39}}) {
    f.Words(0)[w::kControlMode] = mode;
    const size_t before = f.Board().MessagesEmitted().size();
    ASSERT_TRUE(f.ui.UserChooseMenu(f.main, resources::menu::kTestDeviceSettings));
    const auto& boxes = f.ui.Script().MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().request.text, "Press OK to stop testing\n\n");
    EXPECT_EQ(boxes.back().request.caption, "Run");
    // Started before the box, stopped after it.
    const auto& lines = f.Board().MessagesEmitted();
    ASSERT_EQ(lines.size(), before + 2);
    EXPECT_EQ(lines[before], "Device test started");
    EXPECT_EQ(lines[before + 1], "Device test stopped");
    EXPECT_FALSE(f.Board().DeviceTestRunning());
  }
  EXPECT_FALSE(IsDeviceTestMode(17));
  EXPECT_TRUE(IsDeviceTestMode(38));
}

}  // namespace
}  // namespace vt::shell
