#include "flash/elf_loader.h"

#include <algorithm>
#include <cstring>

namespace vt::flash {

BoardVariant VariantOf(const devlink::BoardIdentity& id) {
  const uint8_t c0 = id.SerialChar(0);
  if (c0 == 'R') return BoardVariant::kR;
  if (c0 == 'A' || c0 == 'B') return BoardVariant::kAB;
  return BoardVariant::kStandard;
}

namespace {

constexpr size_t kHeaderBytes = 32;  // up to and including e_phoff
constexpr size_t kPhdrBytes = 32;
constexpr uint32_t kPtLoad = 1;

// Field reader for the image's byte order. Callers check bounds first.
struct Fields {
  std::span<const uint8_t> raw;
  bool bigEndian;

  uint16_t U16(size_t pos) const {
    return bigEndian ? static_cast<uint16_t>((raw[pos] << 8) | raw[pos + 1])
                     : static_cast<uint16_t>(raw[pos] | (raw[pos + 1] << 8));
  }
  uint32_t U32(size_t pos) const {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
      const size_t at = bigEndian ? pos + i : pos + 3 - i;
      v = (v << 8) | raw[at];
    }
    return v;
  }
};

bool HeaderAccepted(const Fields& f, BoardVariant variant) {
  if (f.U16(16) != 2) return false;
  if (variant == BoardVariant::kR) return f.raw[18] == 0x18 && f.raw[19] == 0xAD;
  const uint16_t machine = f.U16(18);
  return machine == 40 || machine == 103;
}

bool Fits(uint64_t offset, uint64_t count, size_t size) {
  return offset <= size && count <= size - offset;
}

}  // namespace

std::optional<LoadedImage> LoadElfImage(std::span<const uint8_t> raw, BoardVariant variant) {
  if (raw.size() < kHeaderBytes) return std::nullopt;
  const Fields f{raw, variant == BoardVariant::kR};
  if (!HeaderAccepted(f, variant)) return std::nullopt;

  const uint64_t phoff = f.U32(28);
  if (!Fits(phoff, kPhdrBytes, raw.size())) return std::nullopt;

  // Consecutive loadable entries from the first one make up one contiguous
  // run; later entries only add their sizes. The walk stops at the first
  // entry that is not loadable or no longer lies inside the file.
  const size_t cap = WorkingBytes(variant);
  uint64_t sum = 0;
  for (uint64_t at = phoff; Fits(at, kPhdrBytes, raw.size()); at += kPhdrBytes) {
    if (f.U32(static_cast<size_t>(at)) != kPtLoad) break;
    sum = std::min<uint64_t>(sum + f.U32(static_cast<size_t>(at) + 20), cap);
    if (sum == cap) break;
  }

  const auto first = static_cast<size_t>(phoff);
  const uint64_t offset = f.U32(first + 4);
  const uint64_t paddr = f.U32(first + 12);
  if (!Fits(offset, sum, raw.size())) return std::nullopt;
  const auto src = raw.subspan(static_cast<size_t>(offset), static_cast<size_t>(sum));

  LoadedImage img;
  img.working.assign(cap, 0);
  if (paddr != 0) {
    // Little-endian images go to their load address; R-board images always
    // start at the beginning of the working buffer.
    const uint64_t dest = variant == BoardVariant::kR ? 0 : paddr;
    if (!Fits(dest, sum, cap)) return std::nullopt;
    std::copy(src.begin(), src.end(), img.working.begin() + static_cast<ptrdiff_t>(dest));
    img.size = static_cast<size_t>(variant == BoardVariant::kR ? sum : sum + paddr);
  } else {
    std::copy(src.begin(), src.end(), img.working.begin());
    img.fileTail.assign(raw.begin() + static_cast<ptrdiff_t>(offset), raw.end());
    img.applicationFromFile = true;
    img.size = static_cast<size_t>(sum);
  }
  return img;
}

}  // namespace vt::flash
