#pragma once

#include <windows.h>

#include <string>

namespace vt::platform::winhid {

// Why CreateFile refused a HID interface, as a user would name it.
enum class OpenFailure {
  kNone,
  kNoAccess,   // ERROR_ACCESS_DENIED: this user may not open it read/write
  kBusy,       // ERROR_SHARING_VIOLATION: another program holds it exclusively
  kUnplugged,  // ERROR_DEVICE_NOT_CONNECTED: pulled out while we looked
  kGone,       // ERROR_FILE_NOT_FOUND (and its kin): no longer there
  kOther,
};

OpenFailure ClassifyOpenError(DWORD error);

// One line for the user; names the Windows error code for kOther.
std::string OpenFailureText(OpenFailure failure, DWORD error);

}  // namespace vt::platform::winhid
