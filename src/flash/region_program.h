#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/update_context.h"

namespace vt::flash {

// 16-bit sum of the 16-bit words of [start, end), little-endian or with each
// word's bytes swapped. An odd length takes the byte after the region as
// the second byte of the last word; bytes beyond the buffer count as zero.
uint16_t RegionChecksum(std::span<const uint8_t> image, size_t start, size_t end,
                        bool byteSwapped);

// How one region goes to the board: `bytes` from image offset `writeStart`
// to board address `boardAddress`, in blocks of `blockBytes` committed from
// the staging buffer after `blockBytes / pieceBytes` write pieces, erasing
// every `eraseStep` bytes. The last block is always a full block; bytes
// past the end of `image` are sent as zeros.
struct RegionPlan {
  std::span<const uint8_t> image;
  size_t writeStart = 0;
  size_t bytes = 0;
  uint32_t boardAddress = 0;
  uint32_t blockBytes = 64;
  uint32_t pieceBytes = 8;
  uint32_t staging = 0;
  uint32_t eraseStep = 1024;
  bool showEraseAddress = false;  // "Addr %x" while the debug log is on
};

// Runs the erase/piece/commit loop, pumping paint messages and stepping the
// progress bar once per block. False on a failed erase, piece or commit;
// the loop stops at a failed erase or commit.
bool ProgramRegionBlocks(UpdateContext& ctx, const RegionPlan& plan, const std::string& text);

// How the info block is written back after it was erased.
enum class InfoRewrite {
  kEightByteCommits,  // 256 rounds: one 8-byte piece, one 8-byte commit
  kBlockCommits,      // 8 rounds: 32 pieces of 8, one 256-byte commit
};

struct InfoBlockPlan {
  uint32_t address = 0;
  uint32_t staging = 0;
  bool prefillFF = false;  // the read buffer starts as erased flash
  InfoRewrite rewrite = InfoRewrite::kEightByteCommits;
};

// Reads the 2048-byte info block. False when the read fails.
bool ReadInfoBlock(devlink::BoardLink& link, const InfoBlockPlan& plan,
                   std::vector<uint8_t>* block);

// Backs the block up (as it was read), erases the whole block and writes
// `block` back. False when the backup, an erase, a piece or a commit fails.
bool RewriteInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan,
                      std::span<const uint8_t> original, std::span<const uint8_t> block);

// Offset of the payload of the record with `tag`, when the payload has room
// for `payloadBytes` inside the block.
std::optional<size_t> FindRecordPayload(std::span<const uint8_t> block, uint16_t tag,
                                        size_t payloadBytes);

}  // namespace vt::flash
