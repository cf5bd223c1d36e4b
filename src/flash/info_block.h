#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "flash/board_addresses.h"

namespace vt::flash {

// Record tags of the info block's chain.
inline constexpr uint16_t kHeaderTag = 1;
inline constexpr uint16_t kAppChecksumTag = 2;
inline constexpr uint16_t kProfilesTag = 11;
inline constexpr uint16_t kBootChecksumTag = 12;
inline constexpr uint16_t kFreeTag = 0xFFFF;  // erased flash: end of the chain
inline constexpr size_t kRecordHeaderBytes = 4;

// A walk over the block's record chain (tag, length incl. header, payload).
struct InfoRecordWalk {
  std::span<const uint8_t> block;   // the block (2048 bytes in every use)
  uint16_t wantedTag = 0;
  uint16_t lastLength = 0;          // length field of the last record header read
  std::optional<size_t> payload;    // offset of the found payload within block
};

// Walks at most `limit` records from the block's start and returns the
// offset of the wanted record's payload. Looking for kFreeTag gives the
// payload offset of the first free slot (its header sits 4 bytes before).
// A chain that is cut short, loops, or points outside the block yields
// nothing; the walk never reads outside the block.
std::optional<size_t> FindInfoRecord(InfoRecordWalk& walk, size_t limit = kInfoBlockSize);

}  // namespace vt::flash
