#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/hid_linux/sysfs_hidraw.h"

// Whether this account may use a board: it needs read and write access to
// the hidraw node (reports) and to the USB device node (string requests).
// Without the udev rule only root has either, and the kernel gives no other
// sign of it than a refused open, so the reason is worked out here and told
// to the user instead of a bare "busy" or "no board found".
namespace vt::platform::hidraw {

// The udev rule that grants access, as installed by the package.
inline constexpr const char* kUdevRuleName = "70-velotrack.rules";

// The USB device node of a board on the bus ("/dev/bus/usb/001/002").
std::string UsbDeviceNode(UsbLocation where);

// The first node of `node` this account may not open for reading and
// writing (hidraw first), or std::nullopt when it may open both. `mayOpen`
// answers for one path (access(2) in the backend, a table in tests).
std::optional<std::string> NodeWithoutAccess(const HidrawNode& node,
                                             const std::function<bool(const std::string&)>& mayOpen);

// What the user reads: that access to `devnode` is missing and how the
// udev rule gives it.
std::string NoAccessMessage(const std::string& devnode);

}  // namespace vt::platform::hidraw
