#include "flash/info_block.h"

namespace vt::flash {

namespace {
uint16_t Le16(std::span<const uint8_t> block, size_t offset) {
  return static_cast<uint16_t>(block[offset] | (block[offset + 1] << 8));
}

std::optional<size_t> Finish(InfoRecordWalk& walk, std::optional<size_t> result) {
  walk.payload = result;
  return result;
}
}  // namespace

std::optional<size_t> FindInfoRecord(InfoRecordWalk& walk, size_t limit) {
  const std::span<const uint8_t> block = walk.block;
  size_t start = 0;
  for (size_t records = 0; records < limit; ++records) {
    if (block.size() < kRecordHeaderBytes || start > block.size() - kRecordHeaderBytes) {
      return Finish(walk, std::nullopt);  // header cut off by the block's end
    }
    const uint16_t tag = Le16(block, start);
    const uint16_t length = Le16(block, start + 2);
    walk.lastLength = length;

    if (tag == walk.wantedTag) {
      // A free slot has no length yet; any other record must lie wholly
      // within the block, header included.
      if (tag != kFreeTag && (length < kRecordHeaderBytes || length > block.size() - start)) {
        return Finish(walk, std::nullopt);
      }
      return Finish(walk, start + kRecordHeaderBytes);
    }
    if (tag == kFreeTag) return Finish(walk, std::nullopt);
    if (length == 0xFFFF) {
      return Finish(walk, walk.wantedTag == kFreeTag ? std::optional<size_t>(start + 2)
                                                     : std::nullopt);
    }
    // A length shorter than the header would not advance (0) or land inside
    // the header: the chain is corrupt.
    if (length < kRecordHeaderBytes) return Finish(walk, std::nullopt);
    start += length;
    if (start > limit) return Finish(walk, std::nullopt);
  }
  return Finish(walk, std::nullopt);
}

}  // namespace vt::flash
