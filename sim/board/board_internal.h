#pragma once

// Pieces shared by the board model's source files; not part of its API.

#include <cstdint>
#include <span>
#include <vector>

#include "sim/board/virtual_board.h"

namespace vt::sim {

struct VirtualBoard::Region {
  MemoryRegion info;
  std::vector<uint8_t> bytes;
};

// String descriptors the firmware answers with raw data.
inline constexpr uint8_t kStringReadBack = 240;
inline constexpr uint8_t kStringReply = 244;
inline constexpr uint8_t kStringMessages = 246;

// Reply status bytes.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusNotInitialised = 0x40;  // info block not valid
inline constexpr uint8_t kStatusRejected = 0x8A;        // unsupported or malformed

// Flash report opcodes as they arrive.
inline constexpr uint8_t kOpWritePiece = 0x91;
inline constexpr uint8_t kOpCommit = 0xA1;
inline constexpr uint8_t kOpRestart = 0xB1;
inline constexpr uint8_t kOpErase = 0xC1;
inline constexpr uint8_t kOpRead = 0xD0;
inline constexpr uint8_t kOpControl = 0xF1;

inline constexpr uint32_t kControlEnterProgramming = 0x20220;
inline constexpr uint32_t kControlLeaveProgramming = 0x2000000;
inline constexpr uint32_t kControlPostUpdateSwitch = 0x200002;

inline constexpr uint32_t kMaxReadCount = 120;

inline uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v & 0xFF);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace vt::sim
