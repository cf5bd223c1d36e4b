#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vt::flash {

// The stored form of a firmware image: the plain file taken as 16-bit
// little-endian words, each replaced by the running sum (mod 65536) of all
// words up to and including it. A trailing odd byte is dropped.
std::vector<uint8_t> EncodeStoredImage(std::span<const uint8_t> plain);

// Restores the plain bytes into a buffer of the stored size. A stored image
// always has an even length; an odd trailing byte comes back as zero.
std::vector<uint8_t> DecodeStoredImage(std::span<const uint8_t> stored);

// Resource ids of the built-in application images in stored form.
inline constexpr int kStandardImageResource = 19996;  // standard and A/B boards
inline constexpr int kRBoardImageResource = 19997;

// Where the built-in resources come from. The default looks into the panel's
// own embedded images; tests pass their own.
using ResourceLookup = std::optional<std::span<const uint8_t>> (*)(int resourceId);
std::optional<std::span<const uint8_t>> BuiltInResource(int resourceId);

// Decodes a built-in resource; nothing when the resource is missing.
std::optional<std::vector<uint8_t>> DecodeStoredImage(int resourceId,
                                                      ResourceLookup lookup = &BuiltInResource);

}  // namespace vt::flash
