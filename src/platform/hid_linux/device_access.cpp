#include "platform/hid_linux/device_access.h"

#include <cstdio>

namespace vt::platform::hidraw {

std::string UsbDeviceNode(UsbLocation where) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "/dev/bus/usb/%03u/%03u", static_cast<unsigned>(where.busNumber),
                static_cast<unsigned>(where.deviceAddress));
  return buf;
}

std::optional<std::string> NodeWithoutAccess(
    const HidrawNode& node, const std::function<bool(const std::string&)>& mayOpen) {
  if (!mayOpen(node.info.path)) return node.info.path;
  // String requests go to the USB device; a board off USB has none.
  if (node.usb) {
    const std::string usb = UsbDeviceNode(*node.usb);
    if (!mayOpen(usb)) return usb;
  }
  return std::nullopt;
}

std::string NoAccessMessage(const std::string& devnode) {
  return "access to " + devnode + " is missing for this user: install the udev rule " +
         kUdevRuleName + " (sudo cp udev/" + kUdevRuleName +
         " /etc/udev/rules.d/ && sudo udevadm control --reload-rules) and plug the board in again";
}

}  // namespace vt::platform::hidraw
