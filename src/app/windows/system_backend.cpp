#include "app/system_backend.h"

#include "platform/windows/windows_hid_backend.h"

namespace vt::app {

std::unique_ptr<platform::HidBackend> MakeSystemHidBackend() {
  return std::make_unique<platform::winhid::WindowsHidBackend>();
}

}  // namespace vt::app
