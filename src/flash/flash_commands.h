#pragma once

#include <cstdint>

#include "devlink/board_link.h"

namespace vt::flash {

// Flash command codes; on the wire each is sent with bit 0 set, except the
// read, which goes out as 0xD0.
inline constexpr uint8_t kWritePiece = 0x90;
inline constexpr uint8_t kCommit = 0xA0;
inline constexpr uint8_t kRestart = 0xB0;
inline constexpr uint8_t kErase = 0xC0;
inline constexpr uint8_t kRead = 0xD0;
inline constexpr uint8_t kControl = 0xF0;

// Control values.
inline constexpr uint32_t kEnterProgrammingValue = 0x20220;
inline constexpr uint32_t kLeaveProgrammingValue = 0x2000000;
inline constexpr uint32_t kPostUpdateSwitchValue = 0x200002;

// Read-back of memory reads.
inline constexpr uint8_t kReadBackStringIndex = 240;
inline constexpr size_t kReadBackBytes = 512;
inline constexpr uint32_t kReadChunkBytes = 120;
// Flash writes: blocks committed from the staging buffer, sent in pieces.
inline constexpr uint32_t kWriteBlockBytes = 64;
inline constexpr uint32_t kWritePieceBytes = 8;
// First payload byte of a flash report.
inline constexpr size_t kFlashPayloadOffset = 9;

// Builds one flash command report and writes it (twice on SendTwice boards)
// with the device opened around it. For a write piece `length` data bytes
// are taken from `data`; for the other commands `length` is the count field.
// False when the device cannot be opened, the write fails, or the piece does
// not fit in one report.
bool SendFlashCommand(devlink::BoardLink& link, uint8_t code, const uint8_t* data,
                      uint32_t addressOrValue, uint32_t length);

// Reads `count` bytes from `address` in chunks of 120. On a failed chunk the
// bytes read so far stay in `dest` and the failed chunk reads as zeros.
bool ReadBoardMemory(devlink::BoardLink& link, uint32_t address, uint32_t count, uint8_t* dest);

// Programs `count` bytes at flash `address` through the staging buffer. The
// caller erases and frames the sequence with Enter/LeaveProgramming.
bool WriteBoardMemory(devlink::BoardLink& link, uint32_t address, uint32_t count,
                      const uint8_t* src);

// Direct stores into RAM and registers (no commit).
bool WriteBoardByte(devlink::BoardLink& link, uint32_t address, uint8_t value);
bool WriteBoardWord(devlink::BoardLink& link, uint32_t address, uint16_t value);
bool ReadBoardByte(devlink::BoardLink& link, uint32_t address, uint8_t* value);
// Read, OR in `mask`, write back. Nothing is written when the read fails.
bool SetBoardByteBits(devlink::BoardLink& link, uint32_t address, uint8_t mask);

bool EraseFlashSector(devlink::BoardLink& link, uint32_t address);
bool RestartBoard(devlink::BoardLink& link);
bool EnterProgramming(devlink::BoardLink& link);
bool LeaveProgramming(devlink::BoardLink& link);
bool PostUpdateSwitch(devlink::BoardLink& link);

}  // namespace vt::flash
