// Keeping a board's flash in a file between runs. Layout: "VTFLASH1", the
// number of flash regions (u32), then per region its base and size (u32,
// little-endian) and its bytes.
#include <cstdio>
#include <cstring>
#include <fstream>

#include "sim/board/board_internal.h"

namespace vt::sim {

namespace {

constexpr char kMagic[8] = {'V', 'T', 'F', 'L', 'A', 'S', 'H', '1'};

void PutU32(std::ofstream& out, uint32_t v) {
  const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                     static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
  out.write(b, 4);
}

bool GetU32(std::ifstream& in, uint32_t* v) {
  uint8_t b[4];
  if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
  *v = Le32(b, 0);
  return true;
}

}  // namespace

bool VirtualBoard::SaveFlash(const std::string& path) const {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(kMagic, sizeof kMagic);
    uint32_t count = 0;
    for (const auto& r : regions_) count += r->info.kind == MemoryRegion::Kind::kFlash;
    PutU32(out, count);
    for (const auto& r : regions_) {
      if (r->info.kind != MemoryRegion::Kind::kFlash) continue;
      PutU32(out, r->info.base);
      PutU32(out, r->info.size);
      out.write(reinterpret_cast<const char*>(r->bytes.data()),
                static_cast<std::streamsize>(r->bytes.size()));
    }
    if (!out.flush()) return false;
  }
  // Replace the old file only once the new one is complete.
  if (std::rename(temp.c_str(), path.c_str()) != 0) return false;
  flashDirty_ = false;
  return true;
}

bool VirtualBoard::LoadFlash(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char magic[8];
  if (!in.read(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
  std::vector<Region*> flash;
  for (auto& r : regions_) {
    if (r->info.kind == MemoryRegion::Kind::kFlash) flash.push_back(r.get());
  }
  uint32_t count = 0;
  if (!GetU32(in, &count) || count != flash.size()) return false;
  // Read everything first so a short or foreign file changes nothing.
  std::vector<std::vector<uint8_t>> contents;
  for (Region* r : flash) {
    uint32_t base = 0, size = 0;
    if (!GetU32(in, &base) || !GetU32(in, &size)) return false;
    if (base != r->info.base || size != r->info.size) return false;
    std::vector<uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
    contents.push_back(std::move(bytes));
  }
  for (size_t i = 0; i < flash.size(); ++i) flash[i]->bytes = std::move(contents[i]);
  flashDirty_ = false;
  return true;
}

}  // namespace vt::sim
