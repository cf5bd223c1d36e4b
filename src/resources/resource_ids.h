#pragma once

#include <cstdint>

// Resource and control ids shared by the window templates and the logic that
// drives them. Settings controls on the profile pages are not listed here:
// their ids are control identifiers that name the profile word they edit.
namespace vt::resources {

// Resources.
inline constexpr uint16_t kAppIcon = 3;
inline constexpr uint16_t kMainMenu = 10;
inline constexpr uint16_t kLedGreen = 50;  // 7x8 pictures of one board LED
inline constexpr uint16_t kLedRed = 51;
inline constexpr uint16_t kLedDark = 52;
inline constexpr uint16_t kMainWindow = 300;
inline constexpr uint16_t kAboutBox = 301;
inline constexpr uint16_t kProfilePage = 302;
inline constexpr uint16_t kDebugPage = 303;
inline constexpr uint16_t kProgressWindow = 10000;

// Main window (300).
namespace main_window {
inline constexpr uint16_t kTabs = 400;
inline constexpr uint16_t kGetMessages = 102;
inline constexpr uint16_t kNoteLabel = 255;
inline constexpr uint16_t kDefaultProfile = 49184;  // 0xC020, word 32 of profile 1
inline constexpr uint16_t kGetSettings = 121;
inline constexpr uint16_t kSaveSettings = 122;
inline constexpr uint16_t kQuit = 5535;
inline constexpr uint16_t kPcMode = 9100;
inline constexpr uint16_t kStatus = 9101;
inline constexpr uint16_t kHiddenField = 9102;
inline constexpr uint16_t kSerial = 9103;
inline constexpr uint16_t kStatusGroup = 9104;
inline constexpr uint16_t kModeField = 9105;
inline constexpr uint16_t kFirmware = 9106;
inline constexpr uint16_t kBoardMessage = 9107;
inline constexpr uint16_t kUpdateFirmware = 105;
}  // namespace main_window

// Menu 10 commands.
namespace menu {
inline constexpr uint16_t kAbout = 6;
inline constexpr uint16_t kProfilesToNotepad = 124;
inline constexpr uint16_t kUpdateFirmware = 107;
inline constexpr uint16_t kTotalClear = 123;
inline constexpr uint16_t kTestDeviceSettings = 126;
inline constexpr uint16_t kExit = 5535;
inline constexpr uint16_t kOpen = 16635;
inline constexpr uint16_t kSaveSet = 18683;
inline constexpr uint16_t kSaveAllSets = 20731;
inline constexpr uint16_t kMilliseconds = 24692;    // 0x6074, word 116 bit 4 clear
inline constexpr uint16_t kDegrees = 24948;         // 0x6174, word 116 bit 4 set
}  // namespace menu

// Profile page (302): controls that are not bound to a profile word.
namespace profile_page {
inline constexpr uint16_t kCameraGroup = 101;
inline constexpr uint16_t kDeviceGroup = 254;
inline constexpr uint16_t kExtraGroup = 2302;
inline constexpr uint16_t kStartCaption = 2303;     // "Starting Position" / "Idle Position"
inline constexpr uint16_t kFingerGroup = 6398;
inline constexpr uint16_t kShootingGroup = 8446;
inline constexpr uint16_t kTiltGroup = 10494;
inline constexpr uint16_t kPanGroup = 12542;
inline constexpr uint16_t kIntervalGroup = 14590;
inline constexpr uint16_t kLedCaption = 53;
inline constexpr uint16_t kLedPictures[4] = {112, 2160, 4208, 6256};  // bits 0-3 of word 112
inline constexpr uint16_t kTestCh0 = 16401;
inline constexpr uint16_t kTestCh2 = 18449;
inline constexpr uint16_t kTestTilt1 = 16403;       // to 16407 for positions #1-#5
inline constexpr uint16_t kTestFingerIdle = 16408;  // 16409 half push, 16410 full push
inline constexpr uint16_t kDefaults = 18458;
}  // namespace profile_page

// Debug page (303).
namespace debug_page {
inline constexpr uint16_t kMessages = 9301;
inline constexpr uint16_t kClear = 101;
inline constexpr uint16_t kTestOutput = 32883;      // 0x8073, word 115
inline constexpr uint16_t kUnitCaption = 115;
inline constexpr uint16_t kFirmwareFile = 106;
inline constexpr uint16_t kBrowse = 104;
inline constexpr uint16_t kFlash = 105;
inline constexpr uint16_t kInfrared = 125;
inline constexpr uint16_t kWifi = 140;
inline constexpr uint16_t kFlashBootloader = 108;
inline constexpr uint16_t kPtpLog = 103;
inline constexpr uint16_t kReset = 127;
inline constexpr uint16_t kDebugInfo = 5536;
inline constexpr uint16_t kGetMessages = 102;
}  // namespace debug_page

// About box (301) and progress window (10000).
inline constexpr uint16_t kAboutText = 11;
inline constexpr uint16_t kProgressText = 13;
inline constexpr uint16_t kProgressBar = 101;

}  // namespace vt::resources
