#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/hid_linux/linux_hid_backend.h"
#include "platform/hid_linux/sysfs_hidraw.h"
#include "platform/hid_linux/usb_strings.h"

namespace {

namespace fs = std::filesystem;
using namespace vt::platform::hidraw;

const fs::path kSys = fs::path(VT_LINUX_FIXTURES) / "sys";

TEST(HidUevent, ParsesIdsNameAndSerial) {
  const auto u = ParseHidUevent(
      "DRIVER=hid-generic\nHID_ID=0003:000016C0:0000C35C\nHID_NAME=Board\nHID_UNIQ=W012\n");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->bus, kBusUsb);
  EXPECT_EQ(u->vendorId, 0x16C0);
  EXPECT_EQ(u->productId, 0xC35C);
  EXPECT_EQ(u->name, "Board");
  EXPECT_EQ(u->uniq, "W012");
  EXPECT_FALSE(ParseHidUevent("HID_NAME=x\n"));
  EXPECT_FALSE(ParseHidUevent("HID_ID=0003:000016C0\n"));
  EXPECT_FALSE(ParseHidUevent("HID_ID=0003:000116C0:0000C35C\n"));  // vendor beyond 16 bits
  EXPECT_FALSE(ParseHidUevent("HID_ID=0003:zz:0000C35C\n"));
}

TEST(HidUevent, Utf8SerialBecomesUtf16Units) {
  EXPECT_EQ(Utf8ToUtf16("W\x7f"), u"W\x7f");
  EXPECT_EQ(Utf8ToUtf16("\xc3\xa9"), u"\u00e9");
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80"), u"\xd83d\xde00");
  EXPECT_EQ(Utf8ToUtf16("a\xc3"), u"a\ufffd");       // cut inside a sequence
  EXPECT_EQ(Utf8ToUtf16("\xc0\x80"), u"\ufffd\ufffd");  // overlong form
}

TEST(SysfsHidraw, ListsEveryNodeOfTheTree) {
  const auto dirs = ListHidrawDirs(kSys);
  ASSERT_EQ(dirs.size(), 4u);
  EXPECT_EQ(dirs[0].filename(), "hidraw0");
  EXPECT_TRUE(ListHidrawDirs("/nonexistent").empty());
}

TEST(SysfsHidraw, DescribesUsbBoardFromHidAndUsbParents) {
  const auto node = DescribeHidraw(kSys / "class/hidraw/hidraw0", "/dev/hidraw0");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->info.path, "/dev/hidraw0");
  EXPECT_EQ(node->info.vendorId, 0x16C0);
  EXPECT_EQ(node->info.productId, 0xC35C);
  EXPECT_EQ(node->info.version, 0x0502);
  EXPECT_EQ(node->info.serial, u"W0123456789A");
  EXPECT_TRUE(node->info.capsValid);
  EXPECT_EQ(node->info.inputReportLength, 65);
  EXPECT_EQ(node->info.outputReportLength, 65);
  EXPECT_FALSE(node->usesReportIds);
  ASSERT_TRUE(node->usb);
  EXPECT_EQ(node->usb->busNumber, 1);
  EXPECT_EQ(node->usb->deviceAddress, 7);
}

TEST(SysfsHidraw, DescribesOtherDevicesAndSkipsBrokenOnes) {
  const auto keyboard = DescribeHidraw(kSys / "class/hidraw/hidraw1", "/dev/hidraw1");
  ASSERT_TRUE(keyboard);
  EXPECT_EQ(keyboard->info.vendorId, 0x046D);
  EXPECT_EQ(keyboard->info.version, 0x6400);
  EXPECT_TRUE(keyboard->usesReportIds);
  EXPECT_EQ(keyboard->info.inputReportLength, 9);
  EXPECT_EQ(keyboard->info.outputReportLength, 2);
  EXPECT_TRUE(keyboard->info.serial.empty());

  // Not on USB, descriptor unreadable: listed, but without lengths or strings.
  const auto pad = DescribeHidraw(kSys / "class/hidraw/hidraw2", "/dev/hidraw2");
  ASSERT_TRUE(pad);
  EXPECT_FALSE(pad->info.capsValid);
  EXPECT_EQ(pad->info.inputReportLength, 0);
  EXPECT_EQ(pad->info.version, 0);
  EXPECT_FALSE(pad->usb);

  EXPECT_FALSE(DescribeHidraw(kSys / "class/hidraw/hidraw3", "/dev/hidraw3"));
}

TEST(UsbStrings, HeaderIsStrippedAndLengthByteBoundsTheContent) {
  uint8_t out[8] = {};
  const uint8_t desc[] = {6, 3, 'W', 0, '1', 0, 0xEE, 0xEE};  // two junk bytes past bLength
  EXPECT_EQ(StripStringDescriptor(desc, out), 4u);
  EXPECT_EQ(out[0], 'W');
  EXPECT_EQ(out[4], 0);
  // A length byte larger than what arrived is bounded by what arrived.
  const uint8_t shortRead[] = {200, 3, 1, 2, 3};
  EXPECT_EQ(StripStringDescriptor(shortRead, out), 3u);
  // The caller's buffer bounds the copy.
  EXPECT_EQ(StripStringDescriptor(shortRead, std::span<uint8_t>(out, 2)), 2u);
  EXPECT_FALSE(StripStringDescriptor(std::span<const uint8_t>(desc, 1), out));
  const uint8_t badLength[] = {1, 3, 9};
  EXPECT_FALSE(StripStringDescriptor(badLength, out));
}

TEST(LinuxBackend, OpensOnlyHidrawNodesItCanDescribe) {
  LinuxHidBackend hid(kSys);
  vt::platform::HidHandle h = 99;
  EXPECT_EQ(hid.Open("/dev/sda", &h), vt::platform::kWaitFailed);
  EXPECT_EQ(h, vt::platform::kInvalidHidHandle);
  EXPECT_EQ(hid.Open("/dev/hidraw3", &h), vt::platform::kWaitFailed);  // broken sysfs entry
  EXPECT_EQ(hid.Open("/nonexistent/hidraw0", &h), vt::platform::kWaitFailed);
}

TEST(LinuxBackend, ReportsTravelThroughTheNodeWithTheIdByteFirst) {
  // A FIFO named like the fixture's node stands in for /dev/hidraw0: what is
  // written comes back on read. The fixture board uses no report IDs, so the
  // read gets a zero ID byte in front.
  const fs::path dir = fs::temp_directory_path() / ("vt_hidraw_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const auto node = (dir / "hidraw0").string();
  ASSERT_EQ(mkfifo(node.c_str(), 0600), 0);

  LinuxHidBackend hid(kSys);
  vt::platform::HidHandle h = 0;
  ASSERT_EQ(hid.Open(node, &h), vt::platform::kWaitOk);
  const uint8_t report[] = {0x11, 0x22, 0x33};
  EXPECT_EQ(hid.Write(h, report, 500), vt::platform::kWaitOk);
  uint8_t buf[8] = {};
  size_t got = 0;
  EXPECT_EQ(hid.Read(h, buf, 500, &got), vt::platform::kWaitOk);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0x11);
  EXPECT_EQ(buf[3], 0x33);
  // Nothing more to read: the bounded wait runs out.
  EXPECT_EQ(hid.Read(h, buf, 10, &got), vt::platform::kWaitTimeout);
  // No USB device behind a FIFO: strings fail rather than hang.
  EXPECT_EQ(hid.GetIndexedString(h, 244, buf, &got), vt::platform::kWaitFailed);
  // The serial falls back to what the kernel read, as 16-bit units with a
  // terminator when it fits.
  uint8_t serial[64] = {};
  ASSERT_EQ(hid.GetSerial(h, serial, &got), vt::platform::kWaitOk);
  EXPECT_EQ(got, 26u);
  EXPECT_EQ(serial[0], 'W');
  EXPECT_EQ(serial[1], 0);
  EXPECT_EQ(serial[22], 'A');
  ASSERT_EQ(hid.GetSerial(h, std::span<uint8_t>(serial, 5), &got), vt::platform::kWaitOk);
  EXPECT_EQ(got, 4u);  // two whole units, no room for the terminator
  hid.Close(h);
  EXPECT_EQ(hid.Write(h, report, 500), vt::platform::kWaitFailed);
  fs::remove_all(dir);
}

}  // namespace
