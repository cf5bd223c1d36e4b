#pragma once

// The one check of an info block as read from a board or from a backup:
// whether it is sound, entirely erased, or damaged, and how. Every command
// that reads, writes, updates or restores the block asks this check first,
// so that a block left behind by an interrupted erase or program is reported
// and never built upon.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vt::flash {

enum class BlockCondition : uint8_t {
  kSound,    // a valid block with a whole record chain
  kErased,   // all 2048 bytes erased: no settings at all (Total Clear)
  kDamaged,  // anything else; `damage` says what
};

struct InfoBlockCheck {
  BlockCondition condition = BlockCondition::kDamaged;
  std::string damage;  // empty unless damaged
  bool Sound() const { return condition == BlockCondition::kSound; }
};

// A block is damaged when
// - it is not 2048 bytes, or its first 16-bit word is not 1;
// - its record chain is broken: a length shorter than a record header, a
//   record reaching past the block, or no end inside the block;
// - a 512-byte stretch (the smallest sector under any board's block) is
//   erased while a later one holds data, or a record reaches into an erased
//   stretch (an interrupted erase or rewrite);
// - a record holds an erased hole: a run of 64 or more erased bytes inside
//   its profile slots (a write unit that never landed), or the chain's last
//   record (of a known kind) ends in
//   erased bytes that begin at a write boundary inside its data (a program
//   cut short there; it took the records after it along). The eighth profile
//   slot, which the panel keeps as read, may be wholly erased.
InfoBlockCheck CheckInfoBlock(std::span<const uint8_t> block);

// The damage text of CheckInfoBlock; empty for a sound or an erased block.
std::string InfoBlockDamage(std::span<const uint8_t> block);

// One word for a condition: "sound", "erased" or "damaged".
const char* BlockConditionName(BlockCondition condition);

}  // namespace vt::flash
