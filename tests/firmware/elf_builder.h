#pragma once

#include <cstdint>
#include <vector>

#include "flash/elf_loader.h"
#include "flash/markers.h"

namespace vt::flash::testing {

// Builds small 32-bit ELF executables for the loader tests.
struct Segment {
  uint32_t type = 1;
  uint32_t offset = 0;
  uint32_t paddr = 0;
  uint32_t memsz = 0;
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v, bool be) {
  b[at] = static_cast<uint8_t>(be ? v >> 8 : v);
  b[at + 1] = static_cast<uint8_t>(be ? v : v >> 8);
}

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v, bool be) {
  for (size_t i = 0; i < 4; ++i) {
    b[at + (be ? 3 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
  }
}

// Header at 0, program headers at 52, file of `fileSize` bytes. Machine 40
// (ARM) little-endian, or bytes 0x18 0xAD big-endian.
inline std::vector<uint8_t> MakeElf(const std::vector<Segment>& segments, size_t fileSize,
                                    bool bigEndian = false, uint16_t machine = 40) {
  std::vector<uint8_t> b(fileSize, 0);
  b[0] = 0x7F;
  b[1] = 'E';
  b[2] = 'L';
  b[3] = 'F';
  b[4] = 1;
  b[5] = bigEndian ? 2 : 1;
  Put16(b, 16, 2, bigEndian);
  if (bigEndian) {
    b[18] = 0x18;
    b[19] = 0xAD;
  } else {
    Put16(b, 18, machine, false);
  }
  Put32(b, 28, 52, bigEndian);
  for (size_t i = 0; i < segments.size(); ++i) {
    const size_t at = 52 + 32 * i;
    Put32(b, at, segments[i].type, bigEndian);
    Put32(b, at + 4, segments[i].offset, bigEndian);
    Put32(b, at + 8, segments[i].paddr, bigEndian);
    Put32(b, at + 12, segments[i].paddr, bigEndian);
    Put32(b, at + 16, segments[i].memsz, bigEndian);
    Put32(b, at + 20, segments[i].memsz, bigEndian);
  }
  return b;
}

// Fills [from, to) with a pattern that never forms a marker.
inline void Pattern(std::vector<uint8_t>& b, size_t from, size_t to, uint8_t seed = 1) {
  for (size_t i = from; i < to && i < b.size(); ++i) b[i] = static_cast<uint8_t>((i * 7 + seed) | 0x40);
}

inline void PutMarker(std::vector<uint8_t>& b, size_t at, uint16_t half) {
  Put16(b, at, half, false);
  Put16(b, at + 2, half, false);
}

// A small image for `variant` that keeps update runs quick: a bootloader
// with its identity record ("VV00000002-2-0306", as the built-in image has
// it) and end marker from image offset 0 (0x2000 on R-boards), and a 1 KiB
// application region where the board kind takes it, version `minor`.1.
inline std::vector<uint8_t> SmallFirmwareImage(BoardVariant variant, uint16_t minor) {
  const bool r = variant == BoardVariant::kR;
  const size_t appAt = variant == BoardVariant::kStandard ? 0x2800 : 0x7000;
  const size_t versionAt = appAt + (variant == BoardVariant::kStandard ? 8 : 20);
  const size_t size = appAt + 0x400;
  const uint32_t paddr = r ? 0x80000000u : 0;
  auto elf = MakeElf({{1, 0x100, paddr, static_cast<uint32_t>(size)}}, 0x100 + size, r);
  Pattern(elf, 0x100, elf.size());
  const size_t boot = 0x100 + (r ? 0x2000 : 0);
  PutMarker(elf, boot + 0x40, kIdentityMarker);
  const char text[] = "VV00000002-2-0306";
  elf[boot + 0x44] = 2 + 2 * (sizeof text - 1);  // descriptor length
  elf[boot + 0x45] = 3;
  for (size_t k = 0; k < 20; ++k) Put16(elf, boot + 0x46 + 2 * k, k < sizeof text ? text[k] : 0, false);
  PutMarker(elf, boot + 0x3F0, kBootEndMarker);
  PutMarker(elf, 0x100 + versionAt, kVersionMarker);
  Put16(elf, 0x100 + versionAt + 4, minor, false);
  Put16(elf, 0x100 + versionAt + 6, 1, false);
  PutMarker(elf, 0x100 + size - 8, kAppEndMarker);
  return elf;
}

}  // namespace vt::flash::testing
