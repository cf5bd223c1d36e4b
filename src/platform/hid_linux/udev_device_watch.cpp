#include "platform/hid_linux/udev_device_watch.h"

#include <libudev.h>
#include <unistd.h>

#include <cerrno>

namespace vt::platform::hidraw {

namespace {

// udevd announces itself with its control socket; without it, notices on
// the "udev" source never come.
bool UdevdRunning() { return access("/run/udev/control", F_OK) == 0; }

constexpr int kMaxNoticesPerCall = 256;

}  // namespace

UdevDeviceWatch::UdevDeviceWatch(Source source, const std::string& subsystem) {
  udev_ = udev_new();
  if (udev_ == nullptr) return;
  if (source == Source::kAuto) source = UdevdRunning() ? Source::kUdev : Source::kKernel;
  monitor_ = udev_monitor_new_from_netlink(udev_, source == Source::kUdev ? "udev" : "kernel");
  if (monitor_ == nullptr) return;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem.c_str(), nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    udev_monitor_unref(monitor_);
    monitor_ = nullptr;
  }
}

UdevDeviceWatch::~UdevDeviceWatch() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

int UdevDeviceWatch::ReadableFd() const {
  return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

bool UdevDeviceWatch::TakeChanges() {
  if (monitor_ == nullptr) return false;
  bool changed = false;
  // The socket does not block. A bounded number per call: what is left
  // keeps the descriptor readable and comes with the next call.
  for (int i = 0; i < kMaxNoticesPerCall; ++i) {
    errno = 0;
    if (udev_device* device = udev_monitor_receive_device(monitor_)) {
      changed = true;
      udev_device_unref(device);
      continue;
    }
    // A full socket queue drops notices: something may have changed.
    if (errno != ENOBUFS) break;
    changed = true;
  }
  return changed;
}

}  // namespace vt::platform::hidraw
