#include "flash/stored_image.h"

#include "resources/firmware/firmware_resources.h"

namespace vt::flash {

namespace {
uint16_t WordAt(std::span<const uint8_t> data, size_t i) {
  return static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}
void PutWord(std::vector<uint8_t>& out, size_t i, uint16_t w) {
  out[2 * i] = static_cast<uint8_t>(w & 0xFF);
  out[2 * i + 1] = static_cast<uint8_t>(w >> 8);
}
}  // namespace

std::vector<uint8_t> EncodeStoredImage(std::span<const uint8_t> plain) {
  const size_t words = plain.size() / 2;
  std::vector<uint8_t> out(words * 2);
  uint16_t sum = 0;
  for (size_t i = 0; i < words; ++i) {
    sum = static_cast<uint16_t>(sum + WordAt(plain, i));
    PutWord(out, i, sum);
  }
  return out;
}

std::vector<uint8_t> DecodeStoredImage(std::span<const uint8_t> stored) {
  std::vector<uint8_t> out(stored.size(), 0);
  const size_t words = stored.size() / 2;
  if (words > 0) PutWord(out, 0, WordAt(stored, 0));
  for (size_t i = words; i-- > 1;) {
    PutWord(out, i, static_cast<uint16_t>(WordAt(stored, i) - WordAt(stored, i - 1)));
  }
  return out;
}

std::optional<std::span<const uint8_t>> BuiltInResource(int resourceId) {
  auto data = resources::FirmwareResource(resourceId);
  if (data.empty()) return std::nullopt;
  return data;
}

std::optional<std::vector<uint8_t>> DecodeStoredImage(int resourceId, ResourceLookup lookup) {
  if (lookup == nullptr) return std::nullopt;
  auto stored = lookup(resourceId);
  if (!stored) return std::nullopt;
  return DecodeStoredImage(*stored);
}

}  // namespace vt::flash
