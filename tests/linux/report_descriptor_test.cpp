#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/hid_linux/report_descriptor.h"

namespace {

using vt::platform::hidraw::ParseReportDescriptor;
using Bytes = std::vector<uint8_t>;

// Vendor-defined collection with 64-byte input and output reports, no IDs.
const Bytes kVendor64 = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
                         0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40,
                         0x09, 0x01, 0x91, 0x02, 0xC0};

TEST(ReportDescriptor, DeviceWithoutReportIdsStillCountsTheIdByte) {
  const auto lengths = ParseReportDescriptor(kVendor64);
  ASSERT_TRUE(lengths);
  EXPECT_EQ(lengths->input, 65);
  EXPECT_EQ(lengths->output, 65);
  EXPECT_EQ(lengths->feature, 0);
  EXPECT_FALSE(lengths->usesReportIds);
}

TEST(ReportDescriptor, SizesAreSummedPerReportIdAndTheLongestWins) {
  // ID 1: input 3 + 5 bits (one byte), output 2 bytes.
  // ID 2: input 4 bytes, declared in two main items.
  const Bytes d = {0x85, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01,
                   0x75, 0x08, 0x95, 0x02, 0x91, 0x02, 0x85, 0x02, 0x95, 0x01, 0x81, 0x02,
                   0x95, 0x03, 0x81, 0x02, 0x95, 0x07, 0xB1, 0x02};
  const auto lengths = ParseReportDescriptor(d);
  ASSERT_TRUE(lengths);
  EXPECT_TRUE(lengths->usesReportIds);
  EXPECT_EQ(lengths->input, 5);    // ID 2: 4 bytes + ID
  EXPECT_EQ(lengths->output, 3);   // ID 1: 2 bytes + ID
  EXPECT_EQ(lengths->feature, 8);  // ID 2: 7 bytes + ID
}

TEST(ReportDescriptor, PushPopRestoresGlobalsAndLongItemsAreSkipped) {
  const Bytes d = {0x75, 0x08, 0x95, 0x04,  // 4 bytes
                   0xA4,                    // push
                   0x95, 0x20, 0x91, 0x02,  // output 32 bytes
                   0xB4,                    // pop: back to 4 bytes
                   0xFE, 0x02, 0x10, 0xAA, 0xBB,  // long item with two data bytes
                   0x81, 0x02};
  const auto lengths = ParseReportDescriptor(d);
  ASSERT_TRUE(lengths);
  EXPECT_EQ(lengths->output, 33);
  EXPECT_EQ(lengths->input, 5);
}

TEST(ReportDescriptor, TruncatedOrUnbalancedDescriptorsAreRefused) {
  // Offsets where an item of kVendor64 starts: a cut there parses, a cut
  // inside an item must not.
  const std::set<size_t> itemStarts = {3, 5, 7, 9, 12, 14, 16, 18, 20, 22, 24, 26};
  for (size_t cut = 1; cut < kVendor64.size(); ++cut) {
    const Bytes prefix(kVendor64.begin(), kVendor64.begin() + static_cast<long>(cut));
    EXPECT_EQ(ParseReportDescriptor(prefix).has_value(), itemStarts.count(cut) == 1) << "cut " << cut;
  }
  EXPECT_FALSE(ParseReportDescriptor(Bytes{0x27, 0xFF, 0xFF}));       // 4-byte item cut short
  EXPECT_FALSE(ParseReportDescriptor(Bytes{0xFE, 0x05, 0x10, 0x00}));  // long item cut short
  EXPECT_FALSE(ParseReportDescriptor(Bytes{0xB4}));                    // pop without push
  EXPECT_FALSE(ParseReportDescriptor(Bytes(40, 0xA4)));                // runaway push
}

TEST(ReportDescriptor, HugeSizesSaturateInsteadOfWrapping) {
  // Report size and count of 0xFFFFFFFF, several times over.
  Bytes d = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 8; ++i) d.insert(d.end(), {0x81, 0x02});
  const auto lengths = ParseReportDescriptor(d);
  ASSERT_TRUE(lengths);
  EXPECT_EQ(lengths->input, 0xFFFF);
}

}  // namespace
