#pragma once

#include <string>

#include "platform/device_watch.h"

struct udev;
struct udev_monitor;

namespace vt::platform::hidraw {

// Arrivals and removals of hidraw nodes, from the udev monitor (a netlink
// socket). With udevd running the notices come from it, after its rules
// have set the node's owner and mode; without it (a container, a bare
// initramfs) they come from the kernel directly.
class UdevDeviceWatch final : public DeviceWatch {
 public:
  enum class Source { kAuto, kUdev, kKernel };

  // `subsystem` is what is watched; only tests pick another.
  explicit UdevDeviceWatch(Source source = Source::kAuto, const std::string& subsystem = "hidraw");
  ~UdevDeviceWatch() override;
  UdevDeviceWatch(const UdevDeviceWatch&) = delete;
  UdevDeviceWatch& operator=(const UdevDeviceWatch&) = delete;

  int ReadableFd() const override;
  bool TakeChanges() override;

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

}  // namespace vt::platform::hidraw
