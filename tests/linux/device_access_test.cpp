#include <gtest/gtest.h>

#include <set>

#include "platform/linux/device_access.h"

namespace {

using namespace vt::platform::hidraw;

HidrawNode UsbBoard() {
  HidrawNode node;
  node.info.path = "/dev/hidraw0";
  node.usb = UsbLocation{1, 2};
  return node;
}

// An account that may open exactly the listed nodes.
auto Allowed(std::set<std::string> nodes) {
  return [nodes = std::move(nodes)](const std::string& p) { return nodes.count(p) > 0; };
}

TEST(DeviceAccess, BothTheHidrawAndTheUsbNodeAreNeeded) {
  EXPECT_EQ(UsbDeviceNode({1, 2}), "/dev/bus/usb/001/002");
  EXPECT_EQ(UsbDeviceNode({3, 127}), "/dev/bus/usb/003/127");
  const auto node = UsbBoard();
  EXPECT_FALSE(NodeWithoutAccess(node, Allowed({"/dev/hidraw0", "/dev/bus/usb/001/002"})));
  // Without the udev rule neither is open to the user; the hidraw node is named.
  EXPECT_EQ(NodeWithoutAccess(node, Allowed({})), "/dev/hidraw0");
  // Reports alone are not enough: every read-back is a string request.
  EXPECT_EQ(NodeWithoutAccess(node, Allowed({"/dev/hidraw0"})), "/dev/bus/usb/001/002");
  // A HID device off USB has no USB node to ask for.
  HidrawNode bluetooth = node;
  bluetooth.usb.reset();
  EXPECT_FALSE(NodeWithoutAccess(bluetooth, Allowed({"/dev/hidraw0"})));
}

TEST(DeviceAccess, MessageSaysAccessIsMissingAndNamesTheUdevRule) {
  const auto text = NoAccessMessage("/dev/hidraw3");
  EXPECT_NE(text.find("access to /dev/hidraw3 is missing"), std::string::npos);
  EXPECT_NE(text.find("70-velotrack.rules"), std::string::npos);
  EXPECT_NE(text.find("/etc/udev/rules.d/"), std::string::npos);
  EXPECT_EQ(text.find("busy"), std::string::npos);
}

}  // namespace
