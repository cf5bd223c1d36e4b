#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/info_block_update.h"
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
// progress bar once per block, then reads everything programmed back: the
// board acknowledges commits it may not have carried out. False (with the
// step and address recorded) on a failed erase, piece, commit or check;
// the loop stops at a failed erase or commit.
bool ProgramRegionBlocks(UpdateContext& ctx, const RegionPlan& plan, const std::string& text);

}  // namespace vt::flash
