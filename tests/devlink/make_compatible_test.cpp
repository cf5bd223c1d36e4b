#include <gtest/gtest.h>

#include "tests/support/link_fixture.h"

namespace {

using vt::devlink::BoardLink;
using vt::testing::LinkFixture;

struct Fields {
  uint8_t cmd, data, addr, i2cid, data1;
  bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  return os << std::hex << "{cmd " << int(f.cmd) << " data " << int(f.data) << " addr "
            << int(f.addr) << " i2cid " << int(f.i2cid) << " data1 " << int(f.data1) << "}";
}

// Translates one report for a board with the given version and serial.
Fields Translate(uint16_t version, const char* serial, Fields in) {
  LinkFixture f;
  EXPECT_TRUE(f.Attach(serial, version));
  BoardLink::Report r{};
  r[BoardLink::kCmd] = in.cmd;
  r[BoardLink::kData] = in.data;
  r[BoardLink::kAddr] = in.addr;
  r[BoardLink::kI2cId] = in.i2cid;
  r[BoardLink::kData1] = in.data1;
  f.link.MakeCompatible(r);
  EXPECT_TRUE(f.hid.writes.empty());
  return {r[BoardLink::kCmd], r[BoardLink::kData], r[BoardLink::kAddr], r[BoardLink::kI2cId],
          r[BoardLink::kData1]};
}

Fields Newer(Fields in) { return Translate(0x0500, "W1234", in); }
Fields Legacy(Fields in) { return Translate(0x0400, "1234", in); }

TEST(MakeCompatible, PinMemoryCommandsBecomePortWritesOnNewerBoards) {
  EXPECT_EQ(Newer({0x18, 0x05, 0xA0, 9, 9}), (Fields{0x38, 0x05, 0xFA, 1, 3}));
  EXPECT_EQ(Newer({0x1A, 0x05, 0xD0, 0, 0}), (Fields{0x38, 0x05, 0xFA, 2, 3}));
  EXPECT_EQ(Newer({0x08, 0x33, 0xD1, 0, 0}), (Fields{0x38, 0, 0, 2, 1}));
  EXPECT_EQ(Newer({0x18, 0x05, 0xA3, 0, 0}).cmd, 0xF8);  // no such pin
  EXPECT_EQ(Legacy({0x18, 0x05, 0xA0, 0, 0}), (Fields{0x18, 0x05, 0xA0, 0, 0}));
  EXPECT_EQ(Legacy({0x08, 0x05, 0xA0, 0, 0}), (Fields{0x08, 0x05, 0xA0, 0, 0}));
}

TEST(MakeCompatible, ClassTableByGeneration) {
  for (uint8_t cmd : std::initializer_list<uint8_t>{0x00, 0x13, 0x20, 0x2B, 0x78}) {
    EXPECT_EQ(Newer({cmd, 1, 2, 3, 4}), (Fields{cmd, 1, 2, 3, 4}));
    EXPECT_EQ(Legacy({cmd, 1, 2, 3, 4}), (Fields{cmd, 1, 2, 3, 4}));
  }
  for (uint8_t cmd : std::initializer_list<uint8_t>{0x80, 0x91, 0xA0, 0xB2, 0xC0, 0xD0, 0xF0}) {
    EXPECT_EQ(Newer({cmd, 1, 2, 3, 4}).cmd, 0xF8) << int(cmd);
    EXPECT_EQ(Legacy({cmd, 1, 2, 3, 4}).cmd, cmd) << int(cmd);
  }
  for (uint8_t cmd : std::initializer_list<uint8_t>{0x04, 0x48, 0xE0, 0xE3, 0xF8}) {
    EXPECT_EQ(Newer({cmd, 1, 2, 3, 4}).cmd, 0xF8) << int(cmd);
    EXPECT_EQ(Legacy({cmd, 1, 2, 3, 4}).cmd, 0xF8) << int(cmd);
  }
  EXPECT_EQ(Newer({0x38, 1, 2, 3, 4}), (Fields{0x38, 1, 2, 3, 4}));
  EXPECT_EQ(Newer({0x40, 0x0F, 2, 3, 4}), (Fields{0x38, 0x0F, 0xF0, 1, 3}));
  EXPECT_EQ(Legacy({0x40, 0x0F, 2, 3, 4}), (Fields{0x40, 0x0F, 2, 3, 4}));
  EXPECT_EQ(Newer({0x50, 7, 8, 3, 4}), (Fields{0x38, 0, 0, 2, 2}));
  EXPECT_EQ(Legacy({0x50, 7, 8, 3, 4}), (Fields{0x50, 7, 8, 3, 4}));
}

TEST(MakeCompatible, VoltageSettingIsAddressedAndLimitedOnLegacyBoards) {
  EXPECT_EQ(Newer({0x60, 1, 5, 0, 0}), (Fields{0x60, 1, 5, 0x60, 1}));
  EXPECT_EQ(Legacy({0x60, 1, 0x3A, 0, 0}), (Fields{0x60, 1, 0x3A, 0x60, 1}));
  EXPECT_EQ(Legacy({0x61, 1, 0, 0, 0}), (Fields{0x61, 1, 0, 0x60, 1}));
  EXPECT_EQ(Legacy({0x60, 1, 5, 0, 0}), (Fields{0xF8, 1, 5, 0x60, 1}));
}

TEST(MakeCompatible, AdcChannelCodes) {
  EXPECT_EQ(Legacy({0x30, 0, 3, 0, 0}).addr, 0x32);
  EXPECT_EQ(Legacy({0x30, 0, 0x1F, 0, 0}).addr, 0xF2);  // one byte
  EXPECT_EQ(Newer({0x30, 0, 0x85, 0, 0}).addr, 0x05);
  EXPECT_EQ(Newer({0x30, 0, 0x8C, 0, 0}).addr, 0x04);  // bit 7 cleared, then the low range
  EXPECT_EQ(Newer({0x30, 0, 0x0A, 0, 0}).addr, 0x02);
  EXPECT_EQ(Newer({0x30, 0, 0xFF, 0, 0}).addr, 0xFF);
  EXPECT_EQ(Newer({0x30, 0, 0x20, 0, 0}).addr, 0x20);
  EXPECT_EQ(Newer({0x30, 0, 0xA0, 0, 0}).addr, 0x20);
}

TEST(MakeCompatible, TraceRecordsWhileLogIsOn) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  f.CaptureLog();
  BoardLink::Report r{};
  r[BoardLink::kCmd] = 0x18;
  r[BoardLink::kData] = 0x07;
  r[BoardLink::kAddr] = 0xA2;  // third entry: three comparisons
  f.link.MakeCompatible(r);
  std::string one = "\r\nWritePinMem, Addr=A2, Data=7\r\n";
  EXPECT_EQ(f.LogText(), one + one + one);

  LinkFixture legacy;
  ASSERT_TRUE(legacy.Attach("1234", 0x0400));
  legacy.CaptureLog();
  BoardLink::Report adc{};
  adc[BoardLink::kCmd] = 0x30;
  adc[BoardLink::kAddr] = 4;
  legacy.link.MakeCompatible(adc);
  EXPECT_EQ(legacy.LogText(), "\r\nADC_CH_CODE=42");
}

TEST(MakeCompatible, LegacyPortWriteReadsPinAndKeepsOuterReport) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("1234", 0x0400));
  f.hid.echoD0 = 0x0C;  // the pin's current value
  // Port group 1, register 3 is pin 0xA0: set bit 0, clear bit 2.
  ASSERT_TRUE(f.link.USBSendCommand(0x38, 0x01, 0x04, 1, 3));
  ASSERT_EQ(f.hid.writes.size(), 2u);
  const auto& read = f.hid.writes[0].bytes;
  EXPECT_EQ(read[3], 0x08);
  EXPECT_EQ(read[6], 0xA0);
  const auto& write = f.hid.writes[1].bytes;
  EXPECT_EQ((std::vector<uint8_t>(write.begin() + 3, write.begin() + 9)),
            (std::vector<uint8_t>{0x18, 0x24, 0x09, 0xA0, 0, 0}));
  EXPECT_EQ(write[1], 65);
  EXPECT_EQ(read[2] ^ write[2], 1);  // each exchange toggles the tag
  EXPECT_EQ(f.hid.CountCalls("open board:0"), 2u);
  EXPECT_EQ(f.hid.openHandles, 0);

  // Register 2 needs no read: the port is read through the pin instead.
  LinkFixture g;
  ASSERT_TRUE(g.Attach("1234", 0x0400));
  ASSERT_TRUE(g.link.USBSendCommand(0x38, 0x01, 0x04, 3, 2));
  ASSERT_EQ(g.hid.writes.size(), 1u);
  EXPECT_EQ((std::vector<uint8_t>(g.hid.LastWrite().begin() + 3, g.hid.LastWrite().begin() + 9)),
            (std::vector<uint8_t>{0x08, 0x24, 0xA6, 0x04, 0, 2}));
}

TEST(MakeCompatible, LegacyPortWriteWithFailedReadSendsNothingUsable) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("1234", 0x0400));
  for (int k = 0; k < 3; ++k) f.hid.reads.push_back({vt::platform::kWaitTimeout, {}});
  ASSERT_TRUE(f.link.USBSendCommand(0x38, 0x01, 0x04, 1, 3));
  EXPECT_EQ(f.hid.LastWrite()[3], 0xF8);
  EXPECT_EQ(Legacy({0x38, 1, 2, 9, 9}).cmd, 0xF8);  // no such port
}

}  // namespace
