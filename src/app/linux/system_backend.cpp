#include "app/system_backend.h"

#include "platform/linux/linux_hid_backend.h"

namespace vt::app {

std::unique_ptr<platform::HidBackend> MakeSystemHidBackend() {
  return std::make_unique<platform::hidraw::LinuxHidBackend>();
}

}  // namespace vt::app
