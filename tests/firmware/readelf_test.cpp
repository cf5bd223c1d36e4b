#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/markers.h"

namespace vt::flash {
namespace {

struct LoadLine {
  uint64_t offset, paddr, memsz;
};

// LOAD entries as binutils' readelf prints them, or nothing when readelf is
// not available.
std::optional<std::vector<LoadLine>> ReadelfLoads(const std::string& file) {
  const std::string cmd = "readelf -lW '" + file + "' 2>/dev/null";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  char buf[512];
  while (fgets(buf, sizeof buf, pipe) != nullptr) text += buf;
  if (pclose(pipe) != 0 || text.empty()) return std::nullopt;
  std::vector<LoadLine> loads;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream f(line);
    std::string type, off, vaddr, paddr, filesz, memsz;
    if (!(f >> type >> off >> vaddr >> paddr >> filesz >> memsz) || type != "LOAD") continue;
    loads.push_back({std::stoull(off, nullptr, 16), std::stoull(paddr, nullptr, 16),
                     std::stoull(memsz, nullptr, 16)});
  }
  return loads;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CheckAgainstReadelf(const std::string& file, BoardVariant variant) {
  auto loads = ReadelfLoads(file);
  if (!loads) GTEST_SKIP() << "readelf not available";
  ASSERT_FALSE(loads->empty());
  const auto raw = ReadAll(file);
  auto img = LoadElfImage(raw, variant);
  ASSERT_TRUE(img);
  uint64_t sum = 0;
  for (const auto& l : *loads) sum += l.memsz;
  const auto& first = loads->front();
  const bool r = variant == BoardVariant::kR;
  EXPECT_EQ(img->size, first.paddr != 0 && !r ? sum + first.paddr : sum);
  const size_t dest = first.paddr != 0 && !r ? first.paddr : 0;
  EXPECT_TRUE(std::equal(raw.begin() + static_cast<ptrdiff_t>(first.offset),
                         raw.begin() + static_cast<ptrdiff_t>(first.offset + sum),
                         img->working.begin() + static_cast<ptrdiff_t>(dest)));
}

TEST(BuiltInFirmware, StandardElfLoadsAsReadelfDescribesIt) {
  CheckAgainstReadelf(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf", BoardVariant::kStandard);
}

TEST(BuiltInFirmware, RBoardElfLoadsAsReadelfDescribesIt) {
  CheckAgainstReadelf(VT_FIRMWARE_DIR "/r-board/velotrack-r.elf", BoardVariant::kR);
}

TEST(BuiltInFirmware, RecordsSitWhereTheLoaderExpectsThem) {
  auto standard = LoadElfImage(ReadAll(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf"),
                               BoardVariant::kStandard);
  ASSERT_TRUE(standard);
  // Version record 8 bytes into the version area at 0x2800; bootloader from 0.
  EXPECT_EQ(FindMarker(standard->Working(), 0, standard->size, kVersionMarker), 0x2808u);
  auto bootEnd = FindMarker(standard->Working(), 0, standard->size, kBootEndMarker);
  auto identity = FindMarker(standard->Working(), 0, standard->size, kIdentityMarker);
  ASSERT_TRUE(bootEnd && identity);
  EXPECT_LT(*identity, *bootEnd);
  EXPECT_LT(*bootEnd, 0x2000u);
  EXPECT_TRUE(FindMarker(standard->Application(), 0x2808, standard->size, kAppEndMarker));

  auto r = LoadElfImage(ReadAll(VT_FIRMWARE_DIR "/r-board/velotrack-r.elf"), BoardVariant::kR);
  ASSERT_TRUE(r);
  EXPECT_EQ(FindMarker(r->Working(), 0, r->size, kVersionMarker), 0x7014u);
  EXPECT_TRUE(FindMarker(r->Working(), 0x2000, r->size, kBootEndMarker));
}

TEST(BuiltInFirmware, VersionIsReadFromTheDecodedImages) {
  devlink::BoardIdentity w;
  w.SetSerialChar(0, 'W');
  auto v = BuiltInFirmwareVersion(w);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->series, 2);
  EXPECT_EQ(v->minor, 6);
  EXPECT_EQ(v->build, 76);
  devlink::BoardIdentity r;
  r.SetSerialChar(0, 'R');
  v = BuiltInFirmwareVersion(r);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->series, 2);
  EXPECT_EQ(v->minor, 6);
  EXPECT_FALSE(BuiltInFirmwareVersion(w, [](int) -> std::optional<std::span<const uint8_t>> {
    return std::nullopt;
  }));
}

}  // namespace
}  // namespace vt::flash
