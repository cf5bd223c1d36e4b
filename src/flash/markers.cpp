#include "flash/markers.h"

#include <algorithm>
#include <cstring>

namespace vt::flash {

std::optional<size_t> FindMarker(std::span<const uint8_t> image, size_t start, size_t end,
                                 uint16_t half) {
  end = std::min(end, image.size());
  if (end < kMarkerBytes) return std::nullopt;
  const auto lo = static_cast<uint8_t>(half & 0xFF);
  const auto hi = static_cast<uint8_t>(half >> 8);
  // Images are mostly padding: jump from one candidate first byte to the
  // next with memchr instead of testing every position.
  const uint8_t* base = image.data();
  for (size_t p = start; p + kMarkerBytes <= end; ++p) {
    const void* hit = std::memchr(base + p, lo, end - kMarkerBytes + 1 - p);
    if (hit == nullptr) break;
    p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - base);
    if (image[p + 1] == hi && image[p + 2] == lo && image[p + 3] == hi) return p;
  }
  return std::nullopt;
}

std::optional<uint16_t> ReadLe16(std::span<const uint8_t> data, size_t pos) {
  if (pos > data.size() || data.size() - pos < 2) return std::nullopt;
  return static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
}

std::optional<VersionRecord> FindVersionRecord(std::span<const uint8_t> image, size_t window) {
  auto pos = FindMarker(image, 0, window, kVersionMarker);
  if (!pos) return std::nullopt;
  // A record cut off by the end of the buffer reads its missing bytes as
  // zero, as they would be in the zero-filled working buffer.
  VersionRecord rec;
  rec.position = *pos;
  rec.minor = ReadLe16(image, *pos + 4).value_or(0);
  rec.build = ReadLe16(image, *pos + 6).value_or(0);
  return rec;
}

}  // namespace vt::flash
