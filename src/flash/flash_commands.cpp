#include "flash/flash_commands.h"

#include <algorithm>
#include <array>

#include "devlink/board_claim.h"
#include "flash/board_addresses.h"

namespace vt::flash {

using devlink::BoardLink;
using platform::kWaitOk;

namespace {

void PutLe32(BoardLink::Report& report, size_t offset, uint32_t value) {
  for (size_t k = 0; k < 4; ++k) report[offset + k] = static_cast<uint8_t>(value >> (8 * k));
}

uint8_t WireCode(uint8_t code) {
  return code == kRead ? kRead : static_cast<uint8_t>(code | 0x01);
}

// Writes the report once, or twice on SendTwice boards; the last result counts.
int SendReport(BoardLink& link, const BoardLink::Report& report) {
  int rc = link.SetReport(report);
  if (link.SendTwice()) rc = link.SetReport(report);
  return rc;
}

// Fetches the read-back string once, or twice on SendTwice boards; the last
// fetch counts. A read-back shorter than the chunk counts as failed.
bool FetchReadBack(BoardLink& link, std::span<uint8_t> buffer, size_t wanted) {
  size_t got = 0;
  bool ok = link.ReadIndexedString(kReadBackStringIndex, buffer, &got);
  if (link.SendTwice()) ok = link.ReadIndexedString(kReadBackStringIndex, buffer, &got);
  return ok && got >= wanted;
}

}  // namespace

bool SendFlashCommand(BoardLink& link, uint8_t code, const uint8_t* data, uint32_t addressOrValue,
                      uint32_t length) {
  BoardLink::Report report{};
  report[BoardLink::kCmd] = WireCode(code);
  PutLe32(report, 5, addressOrValue);
  if ((code & 0xFE) == kWritePiece) {
    // The piece must fit in one report as the device takes it.
    const size_t room = std::min<size_t>(link.Identity().outputReportByteLength,
                                         BoardLink::kReportBytes);
    if (length > 0xFF || kFlashPayloadOffset + length > room) return false;
    if (length > 0 && data == nullptr) return false;
    report[4] = static_cast<uint8_t>(length);
    std::copy_n(data, length, report.begin() + kFlashPayloadOffset);
  } else if ((code & 0xFE) == kControl) {
    report[4] = kControl;
  } else {
    PutLe32(report, kFlashPayloadOffset, length);
  }

  // From the first erase or commit on, the flash is changing: stop requests
  // are held until the operation is over, so no block is left erased or
  // half programmed. One that came before means nothing is changed at all.
  const auto kind = static_cast<uint8_t>(code & 0xFE);
  if ((kind == kErase || kind == kCommit) && link.GetStopSignals() != nullptr && !link.GetStopSignals()->Hold()) {
    return false;
  }
  // A single command outside an operation holds the board for itself.
  const devlink::BoardClaim claim(link);
  if (!claim.Granted() || !link.OpenDevice()) return false;
  const int rc = SendReport(link, report);
  link.CloseDevice();
  return rc == kWaitOk;
}

bool ReadBoardMemory(BoardLink& link, uint32_t address, uint32_t count, uint8_t* dest) {
  if (count > 0 && dest == nullptr) return false;
  // Every chunk's request moves the board's one read pointer: no other
  // program may send between this read's requests and read-backs.
  const devlink::BoardClaim claim(link);
  if (!claim.Granted()) return false;
  if (!link.OpenDevice()) {
    if (!link.USBDeviceDetect_Win32() || !link.OpenDevice()) {
      link.CloseDevice();
      return false;
    }
  }

  bool ok = true;
  std::array<uint8_t, kReadBackBytes> buffer{};
  while (ok && count > 0) {
    const uint32_t k = std::min(count, kReadChunkBytes);
    BoardLink::Report report{};
    report[BoardLink::kCmd] = kRead;
    PutLe32(report, 5, address);
    PutLe32(report, kFlashPayloadOffset, k);
    // A lost request leaves the previous read-back in place, which would
    // pass for this chunk's bytes: the chunk fails.
    const bool sent = SendReport(link, report) == kWaitOk;

    buffer.fill(0);
    ok = FetchReadBack(link, buffer, k) && sent;
    std::copy_n(buffer.begin(), k, dest);
    address += k;
    dest += k;
    count -= k;
  }
  link.CloseDevice();
  return ok;
}

bool WriteBoardMemory(BoardLink& link, uint32_t address, uint32_t count, const uint8_t* src) {
  if (count == 0) return true;
  if (src == nullptr) return false;
  const uint32_t staging = StagingAddress(link.Identity());
  bool piecesOk = true;
  while (count > 0) {
    const uint32_t block = std::min(count, kWriteBlockBytes);
    for (uint32_t offset = 0; offset < block; offset += kWritePieceBytes) {
      std::array<uint8_t, kWritePieceBytes> piece{};
      std::copy_n(src + offset, std::min(kWritePieceBytes, block - offset), piece.begin());
      if (!SendFlashCommand(link, kWritePiece, piece.data(), staging + offset, kWritePieceBytes)) {
        piecesOk = false;
        break;  // the block's commit still goes out
      }
    }
    if (!SendFlashCommand(link, kCommit, nullptr, address, block)) return false;
    address += block;
    src += block;
    count -= block;
  }
  return piecesOk;
}

bool WriteBoardByte(BoardLink& link, uint32_t address, uint8_t value) {
  return SendFlashCommand(link, kWritePiece, &value, address, 1);
}

bool WriteBoardWord(BoardLink& link, uint32_t address, uint16_t value) {
  const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(value & 0xFF),
                                     static_cast<uint8_t>(value >> 8)};
  return SendFlashCommand(link, kWritePiece, bytes.data(), address, 2);
}

bool ReadBoardByte(BoardLink& link, uint32_t address, uint8_t* value) {
  std::array<uint8_t, 2> bytes{};
  const bool ok = ReadBoardMemory(link, address, 2, bytes.data());
  if (value != nullptr) *value = bytes[0];
  return ok;
}

bool SetBoardByteBits(BoardLink& link, uint32_t address, uint8_t mask) {
  uint8_t value = 0;
  // Writing back a value that was never read would clear the other bits.
  if (!ReadBoardByte(link, address, &value)) return false;
  return WriteBoardByte(link, address, static_cast<uint8_t>(value | mask));
}

bool EraseFlashSector(BoardLink& link, uint32_t address) {
  return SendFlashCommand(link, kErase, nullptr, address, 0);
}

bool RestartBoard(BoardLink& link) { return SendFlashCommand(link, kRestart, nullptr, 0, 0); }

bool EnterProgramming(BoardLink& link) {
  return SendFlashCommand(link, kControl, nullptr, kEnterProgrammingValue, 0);
}

bool LeaveProgramming(BoardLink& link) {
  return SendFlashCommand(link, kControl, nullptr, kLeaveProgrammingValue, 0);
}

bool PostUpdateSwitch(BoardLink& link) {
  return SendFlashCommand(link, kControl, nullptr, kPostUpdateSwitchValue, 0);
}

}  // namespace vt::flash
