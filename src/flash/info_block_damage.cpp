#include "flash/info_block_damage.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "flash/board_addresses.h"
#include "flash/info_block.h"

namespace vt::flash {

namespace {

// The smallest sector any board has under its info block: the unit an
// interrupted erase leaves behind.
constexpr size_t kStretchBytes = 512;
// Every writer of the block programs it from its start in units of a
// multiple of 8 bytes, so a program cut short leaves erased flash from such
// a boundary on.
constexpr size_t kWriteUnit = 8;
// Inside the seven profile slots, a run of erased bytes as long as the
// profile write's unit (what a commit that never landed leaves). No slot
// holds that many by itself: its header word carries the profile number,
// and a run this long would need nearly every field of a slot erased.
constexpr size_t kHoleBytes = 64;
// The profile record: seven 80-byte slots, then the eighth slot.
constexpr size_t kProfileSlotsBytes = 560;
constexpr size_t kProfilePayloadBytes = 640;

uint16_t BlockWord(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

std::string Hex(const char* format, size_t value) {
  char text[112];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
  return text;
}

bool Erased(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; });
}

InfoBlockCheck Damaged(std::string why) { return {BlockCondition::kDamaged, std::move(why)}; }

bool KnownTag(uint16_t tag) {
  return tag == kHeaderTag || tag == kAppChecksumTag || tag == kProfilesTag || tag == kBootChecksumTag;
}

// The part of the record at [start, end) whose erased bytes count: the
// profile record without its eighth slot, any other known record whole.
size_t JudgedEnd(uint16_t tag, size_t start, size_t end) {
  if (tag == kProfilesTag && end - start >= kRecordHeaderBytes + kProfilePayloadBytes) {
    return start + kRecordHeaderBytes + kProfileSlotsBytes;
  }
  return end;
}

// An erased hole inside the known record at [start, end), or empty.
std::string HoleIn(std::span<const uint8_t> block, uint16_t tag, size_t start, size_t end,
                   bool lastRecord) {
  if (!KnownTag(tag)) return {};
  const size_t judged = JudgedEnd(tag, start, end);
  size_t run = 0;
  for (size_t i = start + kRecordHeaderBytes; i < judged; ++i) {
    run = block[i] == 0xFF ? run + 1 : 0;
    if (run == kHoleBytes) {
      return Hex("erased hole: the record at offset 0x%X", start) +
             Hex(" has erased bytes from offset 0x%X on", i + 1 - kHoleBytes);
    }
  }
  if (!lastRecord) return {};
  // The chain ends after this record: a program cut short inside it leaves
  // its tail erased from a write boundary on.
  size_t tail = end;
  while (tail > start + kRecordHeaderBytes && block[tail - 1] == 0xFF) --tail;
  if (tail == end || tail % kWriteUnit != 0 || tail == start + kRecordHeaderBytes + kProfileSlotsBytes) {
    return {};  // no erased tail, not cut at a write boundary, or a blank eighth slot
  }
  return Hex("erased hole: the record at offset 0x%X", start) +
         Hex(" is erased from offset 0x%X to its end (a program cut short)", tail);
}

}  // namespace

InfoBlockCheck CheckInfoBlock(std::span<const uint8_t> block) {
  if (block.size() != kInfoBlockSize) return Damaged("the block is not 2048 bytes");
  if (Erased(block)) return {BlockCondition::kErased, {}};
  const size_t stretches = block.size() / kStretchBytes;
  std::vector<bool> erased(stretches);
  for (size_t s = 0; s < stretches; ++s) {
    erased[s] = Erased(block.subspan(s * kStretchBytes, kStretchBytes));
  }
  for (size_t s = 0; s + 1 < stretches; ++s) {
    if (!erased[s]) continue;
    for (size_t later = s + 1; later < stretches; ++later) {
      if (!erased[later]) {
        return Damaged(Hex("partly erased: bytes 0x%X", s * kStretchBytes) +
                       Hex("-0x%X are erased, later ones are not", (s + 1) * kStretchBytes - 1));
      }
    }
  }
  const uint16_t first = BlockWord(block, 0);
  if (first == kFreeTag) {
    return Damaged("partly erased: the chain's first record is erased, later bytes are not");
  }
  if (first != 1) return Damaged(Hex("not valid: the block's first word is 0x%04X, not 1", first));
  size_t at = 0;
  for (int guard = 0; guard < 512 && at < block.size(); ++guard) {
    if (at + kRecordHeaderBytes > block.size()) {
      return Damaged(Hex("the record chain is cut at offset 0x%X", at));
    }
    const uint16_t tag = BlockWord(block, at);
    const uint16_t length = BlockWord(block, at + 2);
    if (tag == kFreeTag) return {BlockCondition::kSound, {}};
    if (length < kRecordHeaderBytes || length > block.size() - at) {
      return Damaged(Hex("the record chain is broken at offset 0x%X", at));
    }
    for (size_t s = at / kStretchBytes; s * kStretchBytes < at + length && s < stretches; ++s) {
      if (erased[s]) {
        return Damaged(Hex("partly erased: the record at offset 0x%X reaches into erased flash", at));
      }
    }
    const size_t next = at + length;
    const bool last = next + 2 > block.size() || BlockWord(block, next) == kFreeTag;
    if (std::string hole = HoleIn(block, tag, at, next, last); !hole.empty()) {
      return Damaged(std::move(hole));
    }
    at = next;
  }
  if (at == block.size()) return {BlockCondition::kSound, {}};
  return Damaged("the record chain does not end");
}

std::string InfoBlockDamage(std::span<const uint8_t> block) { return CheckInfoBlock(block).damage; }

const char* BlockConditionName(BlockCondition condition) {
  switch (condition) {
    case BlockCondition::kSound: return "sound";
    case BlockCondition::kErased: return "erased";
    case BlockCondition::kDamaged: return "damaged";
  }
  return "damaged";
}

}  // namespace vt::flash
