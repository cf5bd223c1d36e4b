#pragma once

#include <memory>

#include "platform/hid_backend.h"

namespace vt::app {

// The operating system's own HID stack: hidraw on Linux, hid.dll on Windows.
// One definition per system, chosen by the build.
std::unique_ptr<platform::HidBackend> MakeSystemHidBackend();

}  // namespace vt::app
