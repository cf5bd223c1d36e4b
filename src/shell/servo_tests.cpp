#include "shell/servo_tests.h"

#include <algorithm>
#include <array>
#include <string>

#include "devlink/test_command.h"
#include "resources/resource_ids.h"

namespace vt::shell {

namespace {

namespace w = profiles::word;
namespace pp = resources::profile_page;

constexpr uint16_t kRadioButtonsMode = 11;  // CH0 is the radio input here
constexpr uint16_t kServoCh3Method = 9;     // "Servo:CH3" drives the finger servo
constexpr uint8_t kFingerApplyTime = 7;
constexpr uint32_t kPauseMs = 1000;
constexpr uint16_t kCentre = 150;

uint8_t Low(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }

void Status(const ServoTestTarget& t, const char* text) {
  t.ui.SetText(t.mainWindow, resources::main_window::kStatus, text);
}

void WaitApply(const ServoTestTarget& t, uint16_t applyTime) {
  const uint32_t ms = ApplyWaitMs(applyTime);
  if (ms != 0) t.clock.SleepMs(ms);
}

}  // namespace

uint32_t ApplyWaitMs(uint16_t applyTime) {
  if (applyTime == 255) return 0;
  if (applyTime <= 9) return applyTime * 100u;
  return applyTime;
}

bool IsDeviceTestMode(uint16_t controlMode) {
  static constexpr std::array<uint16_t, 13> kModes = {16, 18, 19, 20, 21, 24, 25,
                                                      26, 27, 28, 29, 38, 39};
  return std::find(kModes.begin(), kModes.end(), controlMode) != kModes.end();
}

void PanApplyTest(const ServoTestTarget& t, const profiles::WordTable& words, uint8_t channel) {
  if (channel == kTestChannelPan0 && words[w::kControlMode] == kRadioButtonsMode) {
    Status(t, "Use CH2 !");
    t.clock.SleepMs(kPauseMs);
    Status(t, "OK");
    return;
  }
  const uint16_t start = words[w::kPanStartPosition];
  const uint16_t applyTime = words[w::kPanApplyTime];
  if (start != 0) {
    Status(t, (words[w::kOptions] & profiles::kOption360) != 0 ? "Applying Idle Pos..."
                                                                : "Applying Start Pos...");
    devlink::SendTestCommand(t.link, channel, Low(start), Low(applyTime));
    WaitApply(t, applyTime);
    t.clock.SleepMs(kPauseMs);
  }
  Status(t, "Applying Step...");
  // The starting position moved by the next position's signed offset from
  // the centre; the board takes the low byte.
  const auto target =
      static_cast<uint8_t>((start + words[w::kPanNextPosition] - kCentre) & 0xFFu);
  devlink::SendTestCommand(t.link, channel, target, Low(applyTime));
  WaitApply(t, applyTime);
  Status(t, "OK");
}

void TiltServoTest(const ServoTestTarget& t, const profiles::WordTable& words, int position) {
  if (position < 0 || position > w::kTiltPosition5 - w::kTiltPosition1) return;
  const uint16_t target = words[static_cast<size_t>(w::kTiltPosition1 + position)];
  devlink::SendTestCommand(t.link, kTestChannelTilt, Low(target), Low(words[w::kTiltApplyTime]));
}

void FingerServoTest(const ServoTestTarget& t, const profiles::WordTable& words, int which) {
  if (which < 0 || which > 2) return;
  const uint8_t channel =
      words[w::kControlMethod] == kServoCh3Method ? kTestChannelFingerServo : kTestChannelPan2;
  const uint16_t target = words[static_cast<size_t>(w::kFingerIdle + which)];
  devlink::SendTestCommand(t.link, channel, Low(target), kFingerApplyTime);
}

bool DeviceSettingsTest(const ServoTestTarget& t, const profiles::WordTable& set1) {
  if (!IsDeviceTestMode(set1[w::kControlMode])) return false;
  devlink::SendTestCommand(t.link, kTestDeviceStart, 0, 0);
  platform::MessageBoxRequest box;
  box.text = "Press OK to stop testing\n\n";
  box.caption = "Run";
  box.buttons = platform::MessageButtons::Ok;
  t.ui.MessageBox(box);
  devlink::SendTestCommand(t.link, kTestDeviceStop, 0, 0);
  return true;
}

bool RunServoTestCommand(const ServoTestTarget& t, const profiles::WordTable& words, uint16_t id) {
  if (id == pp::kTestCh0) {
    PanApplyTest(t, words, kTestChannelPan0);
  } else if (id == pp::kTestCh2) {
    PanApplyTest(t, words, kTestChannelPan2);
  } else if (id >= pp::kTestTilt1 && id < pp::kTestTilt1 + 5) {
    TiltServoTest(t, words, id - pp::kTestTilt1);
  } else if (id >= pp::kTestFingerIdle && id < pp::kTestFingerIdle + 3) {
    FingerServoTest(t, words, id - pp::kTestFingerIdle);
  } else {
    return false;
  }
  return true;
}

}  // namespace vt::shell
