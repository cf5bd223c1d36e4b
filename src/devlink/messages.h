#pragma once

namespace vt::devlink {

// Shown by the shell when the HID backend cannot be brought up at start.
inline constexpr const char* kDllErrorText = "Unable to open system DLL's:\nsetupapi.dll or hid.dll";
inline constexpr const char* kDllErrorTitle = "DLL Fatal Error";

}  // namespace vt::devlink
