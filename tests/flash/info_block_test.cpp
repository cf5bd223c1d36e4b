#include <gtest/gtest.h>

#include <vector>

#include "flash/info_block.h"

namespace {

using vt::flash::FindInfoRecord;
using vt::flash::InfoRecordWalk;
using vt::flash::kInfoBlockSize;

InfoRecordWalk Walk(std::span<const uint8_t> block, uint16_t tag) {
  InfoRecordWalk walk;
  walk.block = block;
  walk.wantedTag = tag;
  return walk;
}

// A 2048-byte block of erased flash with the given records chained from 0.
class Block {
 public:
  Block() : bytes_(kInfoBlockSize, 0xFF) {}
  Block& Record(uint16_t tag, uint16_t length) {
    Put16(at_, tag);
    Put16(at_ + 2, length);
    for (size_t k = 4; k < length && at_ + k < bytes_.size(); ++k) bytes_[at_ + k] = 0;
    at_ += length;
    return *this;
  }
  void Put16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v & 0xFF);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  std::optional<size_t> Find(uint16_t tag, uint16_t* lastLength = nullptr) const {
    InfoRecordWalk walk = Walk(bytes_, tag);
    const auto result = FindInfoRecord(walk);
    EXPECT_EQ(result, walk.payload);
    if (lastLength != nullptr) *lastLength = walk.lastLength;
    return result;
  }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
};

TEST(InfoBlock, FindsRecordsAlongTheChainAndTheFreeSlot) {
  Block b;
  b.Record(1, 8).Record(2, 6).Record(11, 644).Record(12, 6);
  uint16_t last = 0;
  EXPECT_EQ(b.Find(1), 4u);
  EXPECT_EQ(b.Find(2), 12u);
  EXPECT_EQ(b.Find(11, &last), 18u);
  EXPECT_EQ(last, 644);
  EXPECT_EQ(b.Find(12), 662u);
  EXPECT_EQ(b.Find(0xFFFF, &last), 664u + 4);  // append point: header at 664
  EXPECT_EQ(last, 0xFFFF);
  EXPECT_EQ(b.Find(7), std::nullopt);
}

TEST(InfoBlock, ErasedBlockHasOnlyAFreeSlot) {
  Block b;
  EXPECT_EQ(b.Find(1), std::nullopt);
  EXPECT_EQ(b.Find(11), std::nullopt);
  EXPECT_EQ(b.Find(0xFFFF), 4u);
}

TEST(InfoBlock, ErasedLengthEndsTheChain) {
  Block b;
  b.Record(1, 8);
  b.Put16(8, 5);  // a tag whose length was never written
  EXPECT_EQ(b.Find(11), std::nullopt);
  EXPECT_EQ(b.Find(0xFFFF), 10u);
  EXPECT_EQ(b.Find(5), std::nullopt);  // a record without a length is not whole
}

TEST(InfoBlock, CorruptChainsFindNothingAndStayInsideTheBlock) {
  {
    Block b;  // lengths lead past the block
    b.Record(1, 1000).Record(3, 1000).Record(4, 100);
    EXPECT_EQ(b.Find(11), std::nullopt);
    EXPECT_EQ(b.Find(0xFFFF), std::nullopt);
  }
  {
    Block b;  // a zero length would walk in place
    b.Record(1, 8);
    b.Put16(8, 3);
    b.Put16(10, 0);
    EXPECT_EQ(b.Find(11), std::nullopt);
  }
  {
    Block b;  // a length shorter than the header
    b.Record(1, 2);
    EXPECT_EQ(b.Find(11), std::nullopt);
  }
  {
    Block b;  // the wanted record runs past the block's end
    b.Record(1, 2040);
    b.Put16(2040, 11);
    b.Put16(2042, 644);
    EXPECT_EQ(b.Find(11), std::nullopt);
  }
  {
    Block b;  // a record ending exactly at the block's end is whole
    b.Record(1, 2040);
    b.Put16(2040, 12);
    b.Put16(2042, 8);
    EXPECT_EQ(b.Find(12), 2044u);
    // ... and the chain after it has no room for a header
    EXPECT_EQ(b.Find(11), std::nullopt);
    EXPECT_EQ(b.Find(0xFFFF), std::nullopt);
  }
  {
    Block b;  // a header cut by the block's end (lengths summing to 2046)
    b.Record(1, 2046);
    EXPECT_EQ(b.Find(0xFFFF), std::nullopt);
  }
  {
    // A short buffer: the walk reads nothing beyond it.
    std::vector<uint8_t> tiny = {1, 0};
    InfoRecordWalk walk = Walk(tiny, 1);
    EXPECT_EQ(FindInfoRecord(walk), std::nullopt);
  }
}

TEST(InfoBlock, LimitBoundsRecordsAndDistance) {
  Block b;
  for (int k = 0; k < 100; ++k) b.Record(3, 4);
  InfoRecordWalk walk = Walk(b.Bytes(), 0xFFFF);
  EXPECT_EQ(FindInfoRecord(walk), 404u);
  EXPECT_EQ(FindInfoRecord(walk, 50), std::nullopt);  // more records than the limit
  EXPECT_EQ(walk.payload, std::nullopt);
  EXPECT_EQ(FindInfoRecord(walk, 200), std::nullopt);  // 200 bytes is too short a walk
}

}  // namespace
