// The udev monitor on a real netlink socket. The kernel announces a device
// when "change" is written to its uevent file (root only); /dev/null's is
// the most harmless one there is.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/hid_linux/udev_device_watch.h"

namespace {

using vt::platform::hidraw::UdevDeviceWatch;

bool AnnounceDevNull() {
  std::ofstream uevent("/sys/class/mem/null/uevent");
  uevent << "change";
  uevent.flush();
  return static_cast<bool>(uevent);
}

TEST(UdevDeviceWatch, TakesTheKernelsNoticesForItsSubsystemOnly) {
  UdevDeviceWatch mem(UdevDeviceWatch::Source::kKernel, "mem");
  UdevDeviceWatch hidraw(UdevDeviceWatch::Source::kKernel);
  if (mem.ReadableFd() < 0 || hidraw.ReadableFd() < 0) GTEST_SKIP() << "no netlink socket here";
  // Whatever came before is not this test's.
  mem.TakeChanges();
  hidraw.TakeChanges();
  EXPECT_FALSE(mem.TakeChanges());
  if (!AnnounceDevNull()) GTEST_SKIP() << "cannot write uevent files (needs root)";
  // The kernel queues the notice before the write returns.
  EXPECT_TRUE(mem.TakeChanges());
  EXPECT_FALSE(mem.TakeChanges());
  EXPECT_FALSE(hidraw.TakeChanges());
}

}  // namespace
