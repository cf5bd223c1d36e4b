#include <gtest/gtest.h>

#include "platform/remote/wire_format.h"

namespace {

using namespace vt::platform;
using namespace vt::platform::remote;

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words, int width) {
  std::vector<uint8_t> out;
  for (uint32_t w : words)
    for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return out;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// One device entry: path "hid0", 16c0:c35c version 0x0502, serial "W1",
// caps 65/65, openable.
std::vector<uint8_t> EnumerateBody() {
  return Cat({Le({0}, 4), {1}, Le({4}, 2), {'h', 'i', 'd', '0'}, Le({0x16C0, 0xC35C, 0x0502}, 2),
              {2}, Le({'W', '1'}, 2), {1}, Le({65, 65}, 2), {1}});
}

TEST(WireFormat, RequestsAreLittleEndianWithOpcodeFirst) {
  EXPECT_EQ(EncodeEnumerate(), std::vector<uint8_t>{0x01});
  EXPECT_EQ(*EncodeOpen("ab"), (std::vector<uint8_t>{0x02, 2, 0, 'a', 'b'}));
  EXPECT_EQ(EncodeClose(0x01020304), (std::vector<uint8_t>{0x03, 4, 3, 2, 1}));
  const uint8_t report[] = {0, 0x41, 0x26};
  EXPECT_EQ(*EncodeWrite(7, 500, report),
            (std::vector<uint8_t>{0x04, 7, 0, 0, 0, 0xF4, 1, 0, 0, 3, 0, 0, 0x41, 0x26}));
  EXPECT_EQ(EncodeRead(7, 200, 65), (std::vector<uint8_t>{0x05, 7, 0, 0, 0, 200, 0, 0, 0, 65, 0}));
  EXPECT_EQ(EncodeGetIndexedString(9, 240, 512),
            (std::vector<uint8_t>{0x06, 9, 0, 0, 0, 240, 0, 2}));
  EXPECT_EQ(EncodeGetSerial(9, 255), (std::vector<uint8_t>{0x07, 9, 0, 0, 0, 255, 0}));
}

TEST(WireFormat, RequestsThatCannotBeFramedAreRefused) {
  EXPECT_FALSE(EncodeOpen(std::string(70000, 'x')));
  std::vector<uint8_t> big(65530);
  EXPECT_FALSE(EncodeWrite(1, 0, big));
}

TEST(WireFormat, DecodesEnumerateEntry) {
  const auto devices = DecodeEnumerate(EnumerateBody());
  ASSERT_TRUE(devices);
  ASSERT_EQ(devices->size(), 1u);
  const auto& d = (*devices)[0];
  EXPECT_EQ(d.path, "hid0");
  EXPECT_EQ(d.vendorId, 0x16C0);
  EXPECT_EQ(d.productId, 0xC35C);
  EXPECT_EQ(d.version, 0x0502);
  EXPECT_EQ(d.serial, u"W1");
  EXPECT_TRUE(d.capsValid);
  EXPECT_EQ(d.inputReportLength, 65);
  EXPECT_EQ(d.outputReportLength, 65);
  EXPECT_TRUE(d.openable);
}

TEST(WireFormat, EveryTruncationOrExtensionOfEnumerateIsMalformed) {
  const auto body = EnumerateBody();
  for (size_t cut = 4; cut < body.size(); ++cut) {
    std::vector<uint8_t> shorter(body.begin(), body.begin() + static_cast<long>(cut));
    EXPECT_FALSE(DecodeEnumerate(shorter)) << "cut at " << cut;
  }
  auto longer = body;
  longer.push_back(0);
  EXPECT_FALSE(DecodeEnumerate(longer));
  // A count larger than the entries present.
  auto lying = body;
  lying[4] = 2;
  EXPECT_FALSE(DecodeEnumerate(lying));
}

TEST(WireFormat, DataLongerThanRequestedIsMalformed) {
  const auto ok = Cat({Le({0}, 4), Le({3}, 2), {1, 2, 3}});
  ASSERT_TRUE(DecodeData(ok, 3));
  EXPECT_EQ(DecodeData(ok, 3)->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(DecodeData(ok, 2));                                   // n > L
  EXPECT_FALSE(DecodeData(Cat({Le({0}, 4), Le({4}, 2), {1, 2, 3}}), 8));  // n beyond the frame
  EXPECT_FALSE(DecodeData(Cat({ok, {9}}), 8));                       // trailing byte
  EXPECT_FALSE(DecodeData(Le({0}, 2), 8));                           // no whole result
}

TEST(WireFormat, FailureResponsesNeedNoFieldsAndUnknownResultsAreFailures) {
  const auto timeout = DecodeData(Le({0x102}, 4), 8);
  ASSERT_TRUE(timeout);
  EXPECT_EQ(timeout->result, kWaitTimeout);
  EXPECT_TRUE(timeout->data.empty());
  EXPECT_EQ(*DecodeResultOnly(Le({0x80}, 4)), kWaitAbandoned);
  EXPECT_EQ(*DecodeResultOnly(Le({0xFFFFFFFF}, 4)), kWaitFailed);
  EXPECT_EQ(*DecodeResultOnly(Le({7}, 4)), kWaitFailed);
  EXPECT_EQ(DecodeOpen(Le({0xFFFFFFFF}, 4))->result, kWaitFailed);
  EXPECT_TRUE(DecodeEnumerate(Le({0xFFFFFFFF}, 4))->empty());
  // Success with handle 0 (the invalid handle) cannot be used.
  EXPECT_FALSE(DecodeOpen(Le({0, 0}, 4)));
}

}  // namespace
