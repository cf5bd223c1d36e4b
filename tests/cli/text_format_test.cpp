#include <gtest/gtest.h>

#include <vector>

#include "cli/board_choice_hid.h"
#include "cli/text_format.h"

namespace {

using namespace vt::cli;

TEST(TextFormat, NumbersInDecimalOrHexWithinBounds) {
  EXPECT_EQ(ParseNumber("0x2800"), 0x2800u);
  EXPECT_EQ(ParseNumber("300"), 300u);
  EXPECT_EQ(ParseNumber("0xFFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_FALSE(ParseNumber("0x100000000"));
  EXPECT_FALSE(ParseNumber("256", 0xFF));
  EXPECT_FALSE(ParseNumber("0x"));
  EXPECT_FALSE(ParseNumber("-1"));
  EXPECT_FALSE(ParseNumber("12z"));
  EXPECT_FALSE(ParseNumber(""));
}

TEST(TextFormat, HexDumpRowsCarryAddressBytesAndText) {
  std::vector<uint8_t> bytes(18);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>('A' + i);
  bytes[1] = 0x00;
  const std::string dump = HexDump(0xE0000, bytes);
  EXPECT_EQ(dump,
            "000e0000  41 00 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50  |A.CDEFGHIJKLMNOP|\n"
            "000e0010  51 52                                            |QR|\n");
  EXPECT_EQ(HexDump(0, {}), "");
}

TEST(TextFormat, DeviceTextHonoursLineEndsAndItsOwnCount) {
  const std::vector<uint8_t> text = {5, 'a', 'b', 0x0A, 'c', 0x0D, 'z'};  // 'z' is past n
  EXPECT_EQ(RenderDeviceText(text), "ab\nc");
  const std::vector<uint8_t> marks = {3, 'x', 0xA4, 0x01};
  EXPECT_EQ(RenderDeviceText(marks), "x\xC2\xA4\n\\x01");
  // A count beyond the buffer is cut to what the buffer holds.
  const std::vector<uint8_t> lying = {200, 'o', 'k'};
  EXPECT_EQ(RenderDeviceText(lying), "ok");
  EXPECT_EQ(RenderDeviceText({}), "");
}

TEST(TextFormat, BoardTextAndMessagesCannotDriveTheTerminal) {
  // A serial number or device path with an escape sequence that would
  // clear the screen, a bell, and 8-bit bytes (0x9b is a one-byte CSI).
  EXPECT_EQ(BoardText("R12\x1b[2J\x07\x9b""31m"), "R12\\x1b[2J\\x07\\x9b31m");
  EXPECT_EQ(BoardText("virtual:0"), "virtual:0");
  // Messages stay on one line; UTF-8 in file names is kept.
  EXPECT_EQ(OneLine("Saved to\n/tmp/caf\xc3\xa9\x1b]0;x\x07"),
            "Saved to /tmp/caf\xc3\xa9\\x1b]0;x\\x07");
}

}  // namespace

namespace {

// Serials come from the board: shown escaped for --serial, and as valid
// UTF-8 for JSON whatever 16-bit units they hold.
TEST(BoardSerial, EscapedForTheTerminalAndValidUtf8ForJson) {
  vt::platform::HidDeviceInfo d;
  d.serial = u"W1\x1b\\";
  d.serial += char16_t{0x00E9};
  d.serial += char16_t{0xD83D};  // a pair: U+1F600
  d.serial += char16_t{0xDE00};
  d.serial += char16_t{0xDC00};  // unpaired
  EXPECT_EQ(vt::cli::SerialOf(d), "W1\\x1b\\x5c\\xe9\\ud83d\\ude00\\udc00");
  EXPECT_EQ(vt::cli::SerialUtf8(d), "W1\x1b\\\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

}  // namespace
