#pragma once

#include <memory>

#include "platform/device_watch.h"
#include "platform/hid_backend.h"

namespace vt::app {

// The operating system's own HID stack: hidraw on Linux, hid.dll on Windows.
// One definition per system, chosen by the build.
std::unique_ptr<platform::HidBackend> MakeSystemHidBackend();

// Arrivals and removals of that stack's devices, where the system can tell
// them (the udev monitor on Linux); nullptr where it cannot.
std::unique_ptr<platform::DeviceWatch> MakeSystemDeviceWatch();

}  // namespace vt::app
