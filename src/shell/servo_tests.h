#pragma once

// The hardware tests behind the settings pages' "|>" buttons and the Tools
// menu's "Test Device Settings": each drives the board's servo outputs with
// the test command and reports progress in the main window's status field.
// The results of the test command are not examined: a missing board only
// means nothing moves.

#include <cstdint>

#include "devlink/board_link.h"
#include "platform/clock.h"
#include "platform/ui/ui.h"
#include "profiles/profile_model.h"

namespace vt::shell {

// Test command channels.
inline constexpr uint8_t kTestChannelPan0 = 0;
inline constexpr uint8_t kTestChannelTilt = 1;
inline constexpr uint8_t kTestChannelPan2 = 2;
inline constexpr uint8_t kTestChannelFingerServo = 3;
inline constexpr uint8_t kTestDeviceStart = 16;
inline constexpr uint8_t kTestDeviceStop = 17;

// What a test works with: the window whose status field shows progress,
// the board and the clock the waits go through.
struct ServoTestTarget {
  platform::Ui& ui;
  platform::WindowHandle mainWindow;
  devlink::BoardLink& link;
  platform::Clock& clock;
};

// The pause after a move with apply time `applyTime` (the whole word):
// 255 none, up to 9 tenths of a second, otherwise milliseconds.
uint32_t ApplyWaitMs(uint16_t applyTime);

// Control modes for which "Test Device Settings" runs.
bool IsDeviceTestMode(uint16_t controlMode);

// "|> CH0" (channel 0) and "|> CH2" (channel 2): the starting position, if
// any, then the step from it by the next position's offset from centre.
void PanApplyTest(const ServoTestTarget& t, const profiles::WordTable& words, uint8_t channel);
// "|>" beside tilt position #1..#5 (`position` 0..4).
void TiltServoTest(const ServoTestTarget& t, const profiles::WordTable& words, int position);
// "|>" beside the finger servo's idle (0), half push (1) and full push (2).
void FingerServoTest(const ServoTestTarget& t, const profiles::WordTable& words, int which);
// "Test Device Settings": runs only when Set #1's control mode is a test
// mode; the board stays in its test state while the "Run" box is open.
// True when the test ran.
bool DeviceSettingsTest(const ServoTestTarget& t, const profiles::WordTable& set1);

// Page command ids of the servo buttons, and the test they run. False for
// any other id.
bool RunServoTestCommand(const ServoTestTarget& t, const profiles::WordTable& words, uint16_t id);

}  // namespace vt::shell
