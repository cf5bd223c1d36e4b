#include <gtest/gtest.h>

#include "tests/support/link_fixture.h"

namespace {

using vt::platform::HidDeviceInfo;
using vt::testing::LinkFixture;

HidDeviceInfo Device(const std::string& path, uint16_t vid, uint16_t pid) {
  HidDeviceInfo d;
  d.path = path;
  d.vendorId = vid;
  d.productId = pid;
  d.version = 0x0512;
  d.serial = u"V9";
  d.capsValid = true;
  d.inputReportLength = 65;
  d.outputReportLength = 65;
  return d;
}

TEST(Detection, VendorAndProductListsAreIndependentAndFirstMatchWins) {
  LinkFixture f;
  f.hid.devices = {Device("mouse", 0x046D, 0xC35C), Device("locked", 0x16C0, 0xC35C),
                   Device("board", 0x0400, 0x82CD), Device("second", 0x16C0, 0xC35C)};
  f.hid.devices[1].openable = false;
  f.clock.Advance(0x5B - 0x34);  // low byte 0x5B at detection
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  const auto& id = f.link.Identity();
  EXPECT_EQ(id.devicePath, "board");
  EXPECT_EQ(id.versionMajor, 5);
  EXPECT_EQ(id.versionMinor, 0x12);
  EXPECT_EQ(id.SerialText(), "V9");
  EXPECT_EQ(id.threadId, 0x5A);
  EXPECT_EQ(f.hid.CountCalls("open second"), 0u);
  EXPECT_EQ(f.hid.openHandles, 0);  // foreign and found devices are closed again
}

TEST(Detection, NoAcceptedDeviceLeavesIdentityUnchanged) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  const auto before = f.link.Identity();
  f.hid.devices = {Device("hub", 0x16C0, 0x1234), Device("kbd", 0x1234, 0xC35C)};
  EXPECT_FALSE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().devicePath, before.devicePath);
  EXPECT_EQ(f.link.Identity().threadId, before.threadId);
  EXPECT_EQ(f.link.Identity().serial, before.serial);
}

TEST(Detection, VariantPredicates) {
  struct Case {
    uint16_t version;
    std::u16string serial;
    bool legacy, variantR, sendTwice;
  };
  const Case cases[] = {
      {0x0400, u"1234", true, false, false},
      {0x0500, u"1234", false, false, false},
      {0x0300, u"R123", false, true, false},
      {0x0500, u"W12345678901", false, false, true},   // character 12 is the terminator
      {0x0500, u"W12345678901\x7F", false, false, true},
      {0x0500, u"W123456789012", false, false, false},
      {0x0500, u"X12345678901", false, false, false},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    f.hid.devices = {Device("board", 0x10C4, 0xC360)};
    f.hid.devices[0].version = c.version;
    f.hid.devices[0].serial = c.serial;
    ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
    EXPECT_EQ(f.link.IsLegacyBoard(), c.legacy) << f.link.Identity().SerialText();
    EXPECT_EQ(f.link.IsVariantR(), c.variantR) << f.link.Identity().SerialText();
    EXPECT_EQ(f.link.SendTwice(), c.sendTwice) << f.link.Identity().SerialText();
  }
}

TEST(Detection, ShorterSerialDoesNotInheritThePreviousTail) {
  LinkFixture f;
  f.hid.devices = {Device("board", 0x16C0, 0xC35C)};
  f.hid.devices[0].serial = u"W1234567890123";
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_FALSE(f.link.SendTwice());
  f.hid.devices[0].serial = u"W12";
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().SerialText(), "W12");
  EXPECT_TRUE(f.link.SendTwice());
}

TEST(Detection, UnknownCapsKeepPreviousReportLengths) {
  LinkFixture f;
  f.hid.devices = {Device("board", 0x16C0, 0xC35C)};
  f.hid.devices[0].capsValid = false;
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().outputReportByteLength, 0);  // nothing known yet

  f.hid.devices[0].capsValid = true;
  f.hid.devices[0].inputReportLength = 33;
  f.hid.devices[0].outputReportLength = 65;
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  f.hid.devices[0].capsValid = false;
  f.hid.devices[0].outputReportLength = 9;
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().inputReportByteLength, 33);
  EXPECT_EQ(f.link.Identity().outputReportByteLength, 65);
}

TEST(Detection, ReportsLongerThanOurBuffersAreRefused) {
  LinkFixture f;
  f.hid.devices = {Device("big", 0x16C0, 0xC35C), Device("board", 0x16C0, 0xC35F)};
  f.hid.devices[0].outputReportLength = 300;
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().devicePath, "board");
  EXPECT_EQ(f.link.LastDetectError(), "Board report length 300 exceeds 256 bytes; not supported");

  f.hid.devices.pop_back();
  f.hid.devices[0].outputReportLength = 65;
  f.hid.devices[0].inputReportLength = 257;
  EXPECT_FALSE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().devicePath, "board");
  EXPECT_EQ(f.link.LastDetectError(), "Board report length 257 exceeds 256 bytes; not supported");

  f.hid.devices[0].inputReportLength = 256;
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.LastDetectError(), "");
}

TEST(Detection, LongPathIsCutTo255Characters) {
  LinkFixture f;
  f.hid.devices = {Device(std::string(300, 'p'), 0x16C0, 0xC35C)};
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().devicePath.size(), 255u);
}

TEST(DeviceText, ReadsString246AndReDetectsOnce) {
  LinkFixture f;
  f.hid.AddBoard("board:0", "W1234");
  f.hid.strings[246].push_back({0, {5, 'h', 'e', 'l', 'l', 'o'}});
  std::array<uint8_t, 255> text{};
  text.fill(0xEE);
  EXPECT_EQ(f.link.ReadDeviceText(text), 0);  // nothing detected: one detection first
  EXPECT_EQ(f.hid.enumerations, 1);
  EXPECT_EQ(text[0], 5);
  EXPECT_EQ(text[1], 'h');
  EXPECT_EQ(text[6], 0);
  EXPECT_EQ(f.hid.openHandles, 0);

  // A board that fills the whole string still leaves a terminator.
  f.hid.strings[246].push_back({0, std::vector<uint8_t>(400, 'x')});
  EXPECT_EQ(f.link.ReadDeviceText(text), 0);
  EXPECT_EQ(text[253], 'x');
  EXPECT_EQ(text[254], 0);

  f.hid.devices.clear();
  EXPECT_EQ(f.link.ReadDeviceText(text), vt::devlink::kStatusNoResponse);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(f.hid.openHandles, 0);
}

TEST(DeviceText, RereadSerialRefreshesTheHeldString) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("V12345"));
  f.hid.devices[0].serial = u"W7";
  ASSERT_TRUE(f.link.RereadSerial());
  EXPECT_EQ(f.link.Identity().SerialText(), "W7");
  EXPECT_EQ(f.hid.openHandles, 0);
  f.hid.devices.clear();
  EXPECT_FALSE(f.link.RereadSerial());
  EXPECT_EQ(f.link.Identity().SerialText(), "W7");
}

}  // namespace
