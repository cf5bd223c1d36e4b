#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devlink/board_identity.h"

namespace vt::flash {

// The three board variants that decide image format and board addresses.
enum class BoardVariant { kStandard, kAB, kR };

// Evaluated from the held serial string at every call, so a rewrite of the
// held characters takes effect at once.
BoardVariant VariantOf(const devlink::BoardIdentity& id);
// "standard board", "A/B-board", "R-board".
const char* VariantName(BoardVariant v);

inline constexpr size_t kStandardWorkingBytes = 131072;
inline constexpr size_t kRBoardWorkingBytes = 262144;
inline size_t WorkingBytes(BoardVariant v) {
  return v == BoardVariant::kR ? kRBoardWorkingBytes : kStandardWorkingBytes;
}

// One loadable segment as the loader placed it.
struct LoadedSegment {
  size_t index = 0;        // program header number
  uint32_t fileOffset = 0;
  uint32_t paddr = 0;
  uint32_t fileBytes = 0;
  uint32_t memBytes = 0;
  bool inFlash = false;    // placed in the working buffer
  size_t dest = 0;         // working-buffer offset when in flash
};

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
  size_t size = 0;  // end of the highest segment placed in the working buffer
  std::vector<LoadedSegment> segments;

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
// bytes 0x18 0xAD on R-boards. Each loadable segment's file bytes go to its
// load address in the working buffer (little-endian boards: the address
// itself; R-boards: relative to the first loadable segment), its memory
// size beyond the file size stays zero; a segment whose address lies
// outside the working buffer (RAM, such as .bss) contributes nothing.
// Fails, with the reason in `error` when given, on a wrong type or machine,
// and on any header, program header or segment that lies outside `raw`,
// runs past the working buffer or overlaps another segment.
std::optional<LoadedImage> LoadElfImage(std::span<const uint8_t> raw, BoardVariant variant,
                                        std::string* error = nullptr);
// The same into `image`, whose buffers are reused: for callers that load
// many images, where a fresh working buffer each time costs more than the
// loading. False (and `image` unspecified) where LoadElfImage fails.
bool LoadElfImageInto(std::span<const uint8_t> raw, BoardVariant variant, LoadedImage& image,
                      std::string* error = nullptr);

}  // namespace vt::flash
