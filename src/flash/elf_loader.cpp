#include "flash/elf_loader.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vt::flash {

BoardVariant VariantOf(const devlink::BoardIdentity& id) {
  const uint8_t c0 = id.SerialChar(0);
  if (c0 == 'R') return BoardVariant::kR;
  if (c0 == 'A' || c0 == 'B') return BoardVariant::kAB;
  return BoardVariant::kStandard;
}

const char* VariantName(BoardVariant v) {
  switch (v) {
    case BoardVariant::kR: return "R-board";
    case BoardVariant::kAB: return "A/B-board";
    default: return "standard board";
  }
}

namespace {

constexpr size_t kHeaderBytes = 32;  // up to and including e_phoff
constexpr size_t kFullHeaderBytes = 52;  // e_phnum at 44
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

std::optional<LoadedImage> LoadElfImage(std::span<const uint8_t> raw, BoardVariant variant,
                                        std::string* error) {
  LoadedImage image;
  if (!LoadElfImageInto(raw, variant, image, error)) return std::nullopt;
  return image;
}

bool LoadElfImageInto(std::span<const uint8_t> raw, BoardVariant variant, LoadedImage& img,
                      std::string* error) {
  const auto refuse = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  if (raw.size() < kHeaderBytes) return refuse("too short for an ELF header");
  const Fields f{raw, variant == BoardVariant::kR};
  if (!HeaderAccepted(f, variant)) {
    return refuse(std::string("not an ELF executable for ") + VariantName(variant) +
                  "s (type or machine)");
  }
  const uint64_t phoff = f.U32(28);
  if (!Fits(phoff, kPhdrBytes, raw.size())) return refuse("the program header table lies outside the file");

  // The table has e_phnum entries; files that leave e_phnum at 0 are read
  // the old way, as a run of loadable entries from the first one.
  const uint16_t phnum = raw.size() >= kFullHeaderBytes ? f.U16(44) : 0;
  std::vector<size_t> entries;
  for (uint64_t at = phoff; Fits(at, kPhdrBytes, raw.size()); at += kPhdrBytes) {
    if (phnum != 0 && entries.size() == phnum) break;
    if (phnum == 0 && f.U32(static_cast<size_t>(at)) != kPtLoad) break;
    entries.push_back(static_cast<size_t>(at));
  }
  if (phnum != 0 && entries.size() < phnum) return refuse("the program header table runs past the end of the file");

  const size_t cap = WorkingBytes(variant);
  img.working.assign(cap, 0);
  img.fileTail.clear();
  img.applicationFromFile = false;
  img.size = 0;
  img.segments.clear();
  std::optional<uint64_t> base;  // R-boards: the first loadable segment's address
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = entries[i];
    if (f.U32(at) != kPtLoad) continue;
    LoadedSegment seg;
    seg.index = i;
    seg.fileOffset = f.U32(at + 4);
    seg.paddr = f.U32(at + 12);
    seg.fileBytes = f.U32(at + 16);
    seg.memBytes = f.U32(at + 20);
    // Entries that only give a memory size (old single-run files) take
    // that many file bytes.
    if (phnum == 0) seg.fileBytes = seg.memBytes;
    const std::string name = "segment " + std::to_string(i);
    if (seg.fileBytes > seg.memBytes) return refuse(name + ": file size above memory size");
    if (!Fits(seg.fileOffset, seg.fileBytes, raw.size())) return refuse(name + ": data lies outside the file");
    if (!base) base = seg.paddr;
    uint64_t dest = seg.paddr;
    if (variant == BoardVariant::kR) {
      if (seg.paddr < *base) {
        img.segments.push_back(seg);  // below the image: RAM
        continue;
      }
      dest = seg.paddr - *base;
    }
    if (dest >= cap) {
      img.segments.push_back(seg);  // outside the board's flash
      continue;
    }
    const uint64_t memBytes = std::min<uint64_t>(seg.memBytes, cap - dest);
    if (memBytes < seg.memBytes && seg.fileBytes > memBytes) {
      return refuse(name + ": does not fit the " + std::to_string(cap / 1024) + " KiB image");
    }
    for (const auto& other : img.segments) {
      if (!other.inFlash || other.memBytes == 0 || memBytes == 0) continue;
      if (dest < other.dest + other.memBytes && other.dest < dest + memBytes) {
        return refuse(name + ": overlaps segment " + std::to_string(other.index));
      }
    }
    seg.inFlash = true;
    seg.dest = static_cast<size_t>(dest);
    seg.memBytes = static_cast<uint32_t>(memBytes);
    const auto src = raw.subspan(seg.fileOffset, seg.fileBytes);
    std::copy(src.begin(), src.end(), img.working.begin() + static_cast<ptrdiff_t>(dest));
    img.size = std::max<size_t>(img.size, static_cast<size_t>(dest + memBytes));
    img.segments.push_back(seg);
  }

  // One segment loaded at address 0: the application update starts from
  // the file's own data there, as it always has.
  const auto placed = std::count_if(img.segments.begin(), img.segments.end(),
                                    [](const LoadedSegment& s) { return s.inFlash; });
  if (placed == 1) {
    const auto& only = *std::find_if(img.segments.begin(), img.segments.end(),
                                     [](const LoadedSegment& s) { return s.inFlash; });
    if (only.paddr == 0) {
      img.fileTail.assign(raw.begin() + only.fileOffset, raw.end());
      img.applicationFromFile = true;
    }
  }
  return true;
}

}  // namespace vt::flash
