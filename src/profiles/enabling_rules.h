#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vt::profiles {

// Which settings controls are usable depends on the camera's control method,
// the program and the control mode. These functions say what to enable or
// disable; the editor applies the result to a page.
struct Enablement {
  uint16_t controlId;
  bool enabled;
  bool operator==(const Enablement&) const = default;
};

// Control method (word 2) as it governs the USB/PTP-only controls; shown with
// the option bits (word 13). The battery-saving option 0x700D is never
// touched by this rule.
std::vector<Enablement> ControlMethodEnablement(uint16_t controlMethod);

// The pan total-steps track bar and label with the "360°" option: disabled
// while bit 2 of the options is set. Modes 11, 29 and 38 leave them alone
// (nullopt).
std::optional<bool> TotalStepsEnabled(uint16_t controlMode, uint16_t options);

// Every control that the control mode governs, each with its state for the
// given mode.
std::vector<Enablement> ControlModeEnablement(uint16_t controlMode);

// Modes whose settings are only meaningful with the board's messages on
// screen; showing them switches "Get Messages" on.
bool ControlModeWantsMessages(uint16_t controlMode);

// Tv/Av and the exposure selectors by program (word 1) under the control
// method (word 2). Only USB/PTP uses the program.
std::vector<Enablement> ExposureEnablement(uint16_t program, uint16_t controlMethod);

// The finger servo selectors are for servo control methods only.
bool FingerServoEnabled(uint16_t controlMethod);

// Control ids used by the rules.
namespace ids {
inline constexpr uint16_t kCameraModel = 0xC000;
inline constexpr uint16_t kProgram = 0xC001;
inline constexpr uint16_t kControlMethod = 0xC002;
inline constexpr uint16_t kFocus = 0xC004;
inline constexpr uint16_t kControlMode = 0xC005;
inline constexpr uint16_t kTv = 0xC006;
inline constexpr uint16_t kAv = 0xC007;
inline constexpr uint16_t kIso = 0xC108;
inline constexpr uint16_t kZoomBar = 0x8009;
inline constexpr uint16_t kZoomLabel = 0x0009;
inline constexpr uint16_t kTotalShots = 0xC00A;
inline constexpr uint16_t kInterval = 0xC00B;
inline constexpr uint16_t kWhiteBalance = 0xC00E;
inline constexpr uint16_t kImageSize = 0xC00F;
inline constexpr uint16_t kQuality = 0xC010;
inline constexpr uint16_t kFingerIdle = 0xC018;
inline constexpr uint16_t kFingerHalf = 0xC019;
inline constexpr uint16_t kFingerFull = 0xC01A;
inline constexpr uint16_t kShotsAtStop = 0xC01B;
inline constexpr uint16_t kDelayBefore = 0xC01C;
inline constexpr uint16_t kDelayAfter = 0xC01D;
inline constexpr uint16_t kBatteryCutoff = 0xC01E;
inline constexpr uint16_t kStartupDelay = 0xC01F;
inline constexpr uint16_t kPause = 0xC026;
inline constexpr uint16_t kPanNextBar = 0x8711;
inline constexpr uint16_t kPanApplyBar = 0x8712;
inline constexpr uint16_t kTiltFirstBar = 0x8713;  // #1 .. #5 are 0x8713-0x8717
inline constexpr uint16_t kPanStartBar = 0x8721;
inline constexpr uint16_t kPanStepsBar = 0x8722;
inline constexpr uint16_t kTiltApplyBar = 0x8725;
inline constexpr uint16_t kStartCaption = 2303;
inline constexpr uint16_t kDefaultProfile = 0xC020;
inline constexpr uint16_t kGetMessages = 102;
inline constexpr uint16_t kOption360Box = 0x500D;
// The label of a track bar has the same id without the kind bits.
inline constexpr uint16_t LabelOf(uint16_t trackBar) { return trackBar & 0x3FFF; }
}  // namespace ids

}  // namespace vt::profiles
