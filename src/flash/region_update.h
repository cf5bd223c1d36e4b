#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "flash/elf_loader.h"
#include "flash/update_context.h"

namespace vt::flash {

// Option word bits of an update request.
inline constexpr uint16_t kOptBootloader = 0x01;
inline constexpr uint16_t kOptApplication = 0x02;
inline constexpr uint16_t kOptLetterOverride = 0x04;
inline constexpr uint16_t kOptTrueChecksum = 0x10;
inline constexpr uint16_t kOptClearInfoBlock = 0x80;
inline constexpr uint16_t kOptRestart = 0x100;
inline constexpr uint16_t kOptNoAskR = 0x400;

// Where the application region lies in an image and how it is written.
struct ApplicationRegion {
  size_t versionMarker = 0;
  size_t endMarker = 0;
  size_t start = 0;       // first byte of the region (checksummed)
  size_t end = 0;         // one past the end marker
  size_t writeStart = 0;  // start rounded down to the variant's alignment
  size_t bytes = 0;       // bytes sent from writeStart
  uint32_t boardAddress = 0;
  uint16_t checksum = 0;
};

// Locates the region for the variant. Nothing when the end marker is
// missing, the version marker is not where the variant accepts it, or the
// bytes to write would not cover the whole region.
std::optional<ApplicationRegion> LocateApplicationRegion(std::span<const uint8_t> image,
                                                         size_t imageSize, BoardVariant variant);

// Programs the application region into the board's flash and records its
// checksum (option bit 4: as is, else + 1) under tag 2 of the info block.
// Option bit 8 restarts the board afterwards. True only when every step up
// to leaving programming mode succeeded.
bool UpdateApplicationRegion(UpdateContext& ctx, std::span<const uint8_t> image, size_t imageSize,
                             uint16_t options, BoardVariant variant);

}  // namespace vt::flash
