#include "flash/image_inspect.h"

#include <algorithm>

#include "flash/markers.h"
#include "flash/region_program.h"
#include "flash/stored_image.h"

namespace vt::flash {

namespace {

constexpr size_t kIdentityChars = 20;

VariantInspection Inspect(std::span<const uint8_t> bytes, BoardVariant v) {
  VariantInspection out;
  out.variant = v;
  auto image = LoadElfImage(bytes, v);
  if (!image) return out;
  out.loads = true;
  out.size = image->size;
  out.segments = image->segments;
  out.application = LocateApplicationRegion(image->Application(), image->size, v);
  const auto working = image->Working();
  const size_t size = std::min(image->size, working.size());
  const bool r = v == BoardVariant::kR;
  const size_t bootStart = r ? 0x2000 : 0;
  out.bootEnd = FindMarker(working, bootStart, working.size(), kBootEndMarker);
  if (out.bootEnd) {
    out.bootChecksum = RegionChecksum(working, bootStart, *out.bootEnd + kMarkerBytes, r);
  }
  out.identity = FindMarker(working, 0, size, kIdentityMarker);
  if (out.identity) {
    // The record is a string descriptor: its length byte bounds the text.
    const size_t lengthAt = *out.identity + 4;
    size_t chars = kIdentityChars;
    if (lengthAt < working.size() && working[lengthAt] >= 2) {
      chars = std::min<size_t>(chars, (working[lengthAt] - 2u) / 2u);
    }
    for (size_t k = 0; k < chars; ++k) {
      const size_t at = *out.identity + 6 + 2 * k;
      if (at >= working.size() || working[at] == 0) break;
      const uint8_t c = working[at];
      out.identityText += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
  }
  out.version = ImageFirmwareVersion(image->Application());
  return out;
}

}  // namespace

ImageInspection InspectFirmwareImage(std::span<const uint8_t> bytes) {
  ImageInspection out;
  const BoardVariant all[] = {BoardVariant::kStandard, BoardVariant::kAB, BoardVariant::kR};
  for (BoardVariant v : all) out.variants.push_back(Inspect(bytes, v));
  const bool any = std::any_of(out.variants.begin(), out.variants.end(),
                               [](const VariantInspection& i) { return i.loads; });
  if (!any) {
    const auto decoded = DecodeStoredImage(bytes);
    std::vector<VariantInspection> fromStored;
    for (BoardVariant v : all) fromStored.push_back(Inspect(decoded, v));
    if (std::any_of(fromStored.begin(), fromStored.end(),
                    [](const VariantInspection& i) { return i.loads; })) {
      out.stored = true;
      out.variants = std::move(fromStored);
    }
  }
  return out;
}

}  // namespace vt::flash
