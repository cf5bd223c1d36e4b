#include <gtest/gtest.h>

#include <libusb.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/hid_linux/device_access.h"
#include "platform/hid_linux/usb_strings.h"

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

size_t OpenFds() {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                           std::filesystem::directory_iterator{}));
}

// A board that re-enumerated is opened through its device node, not through
// libusb's device list (which lags behind, or never learns of it without a
// udev daemon). Something at the node that is not a USB device is refused
// and its file closed.
TEST(UsbStringReader, OpensThroughTheDeviceNodeAndClosesWhatItCannotUse) {
  libusb_context* ctx = nullptr;
  ASSERT_EQ(libusb_init(&ctx), 0);
  const auto root = std::filesystem::temp_directory_path() /
                    ("vt-usbnode-" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "bus/usb/001");
  {
    std::ofstream(root / "bus/usb/001/002") << std::string(18, '\x12');
  }
  const size_t before = OpenFds();
  {
    UsbStringReader reader;
    EXPECT_FALSE(reader.Open(ctx, {1, 2}, root));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.Open(ctx, {1, 3}, root));  // no node at all
  }
  EXPECT_EQ(OpenFds(), before);
  std::filesystem::remove_all(root);
  libusb_exit(ctx);
}

}  // namespace
