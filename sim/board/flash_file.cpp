// Keeping a board's flash in a file between runs. Layout: "VTFLASH1", the
// number of flash regions (u32), then per region its base and size (u32,
// little-endian) and its bytes.
#include <cstring>

#include "platform/file_io.h"
#include "sim/board/board_internal.h"
#include "platform/utf8_path.h"

namespace vt::sim {

namespace {

constexpr char kMagic[8] = {'V', 'T', 'F', 'L', 'A', 'S', 'H', '1'};

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

bool VirtualBoard::SaveFlash(const std::string& path, std::string* error) const {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  uint32_t count = 0;
  for (const auto& r : regions_) count += r->info.kind == MemoryRegion::Kind::kFlash;
  PutU32(out, count);
  for (const auto& r : regions_) {
    if (r->info.kind != MemoryRegion::Kind::kFlash) continue;
    PutU32(out, r->info.base);
    PutU32(out, r->info.size);
    out.insert(out.end(), r->bytes.begin(), r->bytes.end());
  }
  // The old file stays whole until the new one is complete.
  const auto written = platform::WriteFileAtomically(platform::PathFromUtf8(path), out);
  if (!written.ok()) {
    if (error != nullptr) *error = written.message;
    return false;
  }
  flashDirty_ = false;
  return true;
}

bool VirtualBoard::LoadFlash(const std::string& path, std::string* error) {
  std::vector<Region*> flash;
  size_t expected = sizeof kMagic + 4;
  for (auto& r : regions_) {
    if (r->info.kind != MemoryRegion::Kind::kFlash) continue;
    flash.push_back(r.get());
    expected += 8 + r->info.size;
  }
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  // Exactly as large as this board's flash: anything larger is not its file.
  const auto read = platform::ReadRegularFile(platform::PathFromUtf8(path), expected);
  if (!read.ok()) return fail(read.message);
  const std::vector<uint8_t>& bytes = read.bytes;
  if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    return fail(path + ": not a virtual board flash file");
  }
  if (bytes.size() != expected || Le32(bytes, sizeof kMagic) != flash.size()) {
    return fail(path + ": holds another board's flash (size or regions differ)");
  }
  size_t at = sizeof kMagic + 4;
  for (Region* r : flash) {
    if (Le32(bytes, at) != r->info.base || Le32(bytes, at + 4) != r->info.size) {
      return fail(path + ": holds another board's flash (regions differ)");
    }
    at += 8 + r->info.size;
  }
  // Checked whole first, so a short or foreign file changes nothing.
  at = sizeof kMagic + 4;
  for (Region* r : flash) {
    at += 8;
    r->bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + r->info.size));
    at += r->info.size;
  }
  flashDirty_ = false;
  return true;
}

}  // namespace vt::sim
