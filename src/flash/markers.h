#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vt::flash {

// Four-byte records that the firmware build places inside its images: one
// 16-bit little-endian half written twice in a row. They need no alignment.
inline constexpr uint16_t kVersionMarker = 0x2427;     // application version record
inline constexpr uint16_t kAppEndMarker = 0x2428;      // end of the application region
inline constexpr uint16_t kIdentityMarker = 0x242B;    // bootloader identity record
inline constexpr uint16_t kBootEndMarker = 0x2426;     // end of the bootloader code
inline constexpr size_t kMarkerBytes = 4;

// The value a version field holds while the board has not set it.
inline constexpr uint16_t kVersionFieldUnset = 0x52B0;

// Position of the first occurrence of `half` twice in a row that starts at
// or after `start` and ends at or before `end`. `end` is clamped to the
// buffer, so a scan never reads past it; a marker straddling `end` is not
// found.
std::optional<size_t> FindMarker(std::span<const uint8_t> image, size_t start, size_t end,
                                 uint16_t half);

// Little-endian 16-bit value at `pos`, or nullopt when it does not fit.
std::optional<uint16_t> ReadLe16(std::span<const uint8_t> data, size_t pos);

// The application version record's two fields (minor at +4, build at +6).
struct VersionRecord {
  size_t position = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
};
std::optional<VersionRecord> FindVersionRecord(std::span<const uint8_t> image, size_t window);

}  // namespace vt::flash
