#include "platform/hid_windows/open_errors.h"

namespace vt::platform::winhid {

OpenFailure ClassifyOpenError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return OpenFailure::kNone;
    case ERROR_ACCESS_DENIED: return OpenFailure::kNoAccess;
    case ERROR_SHARING_VIOLATION: return OpenFailure::kBusy;
    case ERROR_DEVICE_NOT_CONNECTED: return OpenFailure::kUnplugged;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST: return OpenFailure::kGone;
    default: return OpenFailure::kOther;
  }
}

std::string OpenFailureText(OpenFailure failure, DWORD error) {
  switch (failure) {
    case OpenFailure::kNone: return {};
    case OpenFailure::kNoAccess:
      return "no access: Windows does not let this user open the device for reading and writing";
    case OpenFailure::kBusy:
      return "busy: another program holds the device for itself; close it and try again";
    case OpenFailure::kUnplugged: return "unplugged: the device was disconnected while it was opened";
    case OpenFailure::kGone: return "gone: the device is no longer attached";
    case OpenFailure::kOther: break;
  }
  return "the device cannot be opened: Windows error " + std::to_string(error);
}

}  // namespace vt::platform::winhid
