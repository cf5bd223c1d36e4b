#include "app/system_backend.h"

#include "platform/hid_linux/linux_hid_backend.h"
#include "platform/hid_linux/udev_device_watch.h"

namespace vt::app {

std::unique_ptr<platform::HidBackend> MakeSystemHidBackend() {
  return std::make_unique<platform::hidraw::LinuxHidBackend>();
}

std::unique_ptr<platform::DeviceWatch> MakeSystemDeviceWatch() {
  auto watch = std::make_unique<platform::hidraw::UdevDeviceWatch>();
  if (watch->ReadableFd() < 0) return nullptr;
  return watch;
}

}  // namespace vt::app
