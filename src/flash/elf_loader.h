#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devlink/board_identity.h"

namespace vt::flash {

// The three board variants that decide image format and board addresses.
enum class BoardVariant { kStandard, kAB, kR };

// Evaluated from the held serial string at every call, so a rewrite of the
// held characters takes effect at once.
BoardVariant VariantOf(const devlink::BoardIdentity& id);

inline constexpr size_t kStandardWorkingBytes = 131072;
inline constexpr size_t kRBoardWorkingBytes = 262144;
inline size_t WorkingBytes(BoardVariant v) {
  return v == BoardVariant::kR ? kRBoardWorkingBytes : kStandardWorkingBytes;
}

// An ELF image read into board-address order.
struct LoadedImage {
  // Zero-filled working buffer (128 KiB, 256 KiB on R-boards): offsets are
  // image offsets. Serves the bootloader steps, and the application update
  // when the first segment has a load address.
  std::vector<uint8_t> working;
  // When the first segment's p_paddr is 0, the application update starts
  // from the file's own data at p_offset: a copy of the file from there on.
  std::vector<uint8_t> fileTail;
  bool applicationFromFile = false;
  size_t size = 0;  // sum of the loadable sizes (+ p_paddr on little-endian boards)

  // What the application update starts from. Bounded: the update reads the
  // bytes after it as zeros.
  std::span<const uint8_t> Application() const {
    return applicationFromFile ? std::span<const uint8_t>(fileTail)
                               : std::span<const uint8_t>(working);
  }
  std::span<const uint8_t> Working() const { return working; }
};

// Loads a 32-bit ELF executable for the board variant: little-endian with
// e_machine 40 or 103 on standard and A/B boards, big-endian with machine
// bytes 0x18 0xAD on R-boards. Fails on a wrong type or machine, and on any
// header, program header or segment that lies outside `raw` or would land
// outside the working buffer.
std::optional<LoadedImage> LoadElfImage(std::span<const uint8_t> raw, BoardVariant variant);

}  // namespace vt::flash
