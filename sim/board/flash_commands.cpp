// The firmware's memory and flash service: write pieces into RAM and
// registers, program flash from the staging buffer, erase sectors, read
// memory back through string 240, and the mode controls.
#include <algorithm>
#include <cstdio>

#include "sim/board/board_internal.h"

namespace vt::sim {

namespace {

std::string Hex(const char* fmt, uint32_t a, uint32_t b = 0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, fmt, static_cast<unsigned>(a), static_cast<unsigned>(b));
  return buf;
}

}  // namespace

bool VirtualBoard::IsFlash(const Location& loc) const {
  return loc && loc.region->info.kind == MemoryRegion::Kind::kFlash;
}

void VirtualBoard::HandleFlashReport(std::span<const uint8_t> r) {
  const uint8_t op = r[3];
  const uint32_t address = Le32(r, 5);
  switch (op) {
    case kOpWritePiece: {
      const size_t n = r[4];
      if (9 + n > r.size()) {
        RefuseFlash(Hex("Piece of %u bytes does not fit the report", static_cast<uint32_t>(n)));
        return;
      }
      WritePiece(address, r.subspan(9, n));
      return;
    }
    case kOpCommit:
      Commit(address, r.size() >= 13 ? Le32(r, 9) : 0);
      return;
    case kOpRestart:
      Restart();
      return;
    case kOpErase:
      Erase(address);
      return;
    case kOpRead:
      ReadCommand(address, r.size() >= 13 ? Le32(r, 9) : 0);
      return;
    case kOpControl:
      if (r[4] == 0xF0) {
        Control(address);
      } else {
        RefuseFlash("Control without its key byte");
      }
      return;
    default:
      return;
  }
}

// A refused operation is reported as a text line, and the next read-back
// fails so the host notices even when it does not read the text.
void VirtualBoard::RefuseFlash(const std::string& why) {
  Emit(why);
  readBackFails_ = true;
}

void VirtualBoard::WritePiece(uint32_t address, std::span<const uint8_t> data) {
  const Location loc = Locate(address, data.size());
  if (!loc) {
    RefuseFlash(Hex("Write to %X: not mapped", address));
    return;
  }
  if (IsFlash(loc)) {
    RefuseFlash(Hex("Write to %X: flash takes data only by commit", address));
    return;
  }
  std::copy(data.begin(), data.end(), loc.Bytes());
}

void VirtualBoard::Commit(uint32_t address, uint32_t count) {
  if (!programming_) {
    RefuseFlash(Hex("Commit at %X refused: not in programming mode", address));
    return;
  }
  if (count == 0) return;
  if (count > config_.stagingSize) {
    RefuseFlash(Hex("Commit of %u bytes exceeds the staging buffer", count));
    return;
  }
  const Location target = Locate(address, count);
  const Location staging = Locate(config_.stagingAddress, count);
  if (!IsFlash(target) || !staging) {
    RefuseFlash(Hex("Commit at %X: not flash", address));
    return;
  }
  // Programming can only clear bits; a sector that was not erased keeps
  // every 0 bit it already had.
  uint8_t* dst = target.Bytes();
  const uint8_t* src = staging.Bytes();
  for (uint32_t i = 0; i < count; ++i) dst[i] = static_cast<uint8_t>(dst[i] & src[i]);
  flashDirty_ = true;
}

void VirtualBoard::Erase(uint32_t address) {
  if (!programming_) {
    RefuseFlash(Hex("Erase at %X refused: not in programming mode", address));
    return;
  }
  const Location loc = Locate(address, 1);
  if (!IsFlash(loc)) {
    RefuseFlash(Hex("Erase at %X: not flash", address));
    return;
  }
  const size_t sector = loc.region->info.sectorSize ? loc.region->info.sectorSize : 1;
  const size_t start = loc.offset / sector * sector;
  const size_t end = std::min(start + sector, loc.region->bytes.size());
  std::fill(loc.region->bytes.begin() + static_cast<long>(start),
            loc.region->bytes.begin() + static_cast<long>(end), uint8_t{0xFF});
  flashDirty_ = true;
}

void VirtualBoard::ReadCommand(uint32_t address, uint32_t count) {
  if (count == 0 || count > kMaxReadCount) {
    // More than a string descriptor carries: the firmware stalls the fetch.
    readBack_.clear();
    firstFetchStale_ = false;
    readBackFails_ = true;
    return;
  }
  staleReadBack_ = readBack_;
  firstFetchStale_ = config_.NeedsSendTwice();
  readBack_ = Peek(address, count);  // unmapped addresses read as 0
}

void VirtualBoard::Control(uint32_t value) {
  switch (value) {
    case kControlEnterProgramming:
      programming_ = true;
      Emit("Programming mode");
      return;
    case kControlLeaveProgramming:
      programming_ = false;
      Emit("Programming done");
      return;
    case kControlPostUpdateSwitch:
      ++postUpdateSwitches_;
      Emit("Switching to the new bootloader");
      return;
    default:
      Emit(Hex("Control %X unknown", value));
      return;
  }
}

}  // namespace vt::sim
