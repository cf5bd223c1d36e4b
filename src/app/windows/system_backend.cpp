#include "app/system_backend.h"

#include "platform/windows/board_mutex.h"
#include "platform/windows/windows_hid_backend.h"

namespace vt::app {

// The machine's HID devices, with a named mutex per board so that one
// program at a time talks to it.
std::unique_ptr<platform::HidBackend> MakeSystemHidBackend() {
  return std::make_unique<platform::winhid::BoardMutexHid>(std::make_unique<platform::winhid::WindowsHidBackend>());
}

// Device arrival on Windows comes as a window message; the panel polls there.
std::unique_ptr<platform::DeviceWatch> MakeSystemDeviceWatch() { return nullptr; }

}  // namespace vt::app
