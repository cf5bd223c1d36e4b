// Runs the firmware image fuzzer's body over mutations of real and
// synthetic images, so every build exercises it briefly. Under ASan any
// read or write outside a buffer fails the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/firmware/elf_builder.h"
#include "tests/fuzz/firmware_image_fuzz_body.h"

namespace vt::flash {
namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  seeds.push_back(ReadAll(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf"));
  seeds.push_back(ReadAll(VT_FIRMWARE_DIR "/r-board/velotrack-r.elf"));
  auto small = testing::MakeElf({{1, 0x60, 0x100, 0x40}, {1, 0xA0, 0x140, 0x20}}, 0xC0);
  testing::PutMarker(small, 0x64, kVersionMarker);
  testing::PutMarker(small, 0x70, kIdentityMarker);
  testing::PutMarker(small, 0xB8, kAppEndMarker);
  seeds.push_back(small);
  auto big = testing::MakeElf({{1, 0x60, 0, 0x60}}, 0xC0, true);
  testing::PutMarker(big, 0x60 + 24, kVersionMarker);
  testing::PutMarker(big, 0xBC, kIdentityMarker);  // record runs off the end
  seeds.push_back(big);
  return seeds;
}

// Deterministic mutations: header and program header fields set to extreme
// values, truncations, and scattered byte changes.
TEST(FirmwareImageFuzzCorpus, MutatedImagesNeverLeaveTheirBuffers) {
  uint32_t rng = 0x1234567;
  auto next = [&rng] {
    rng = rng * 1664525u + 1013904223u;
    return rng >> 8;
  };
  const uint32_t extremes[] = {0, 1, 2, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFE0u,
                               0x1FFFF, 0x20000, 0x3FFFF};
  size_t runs = 0;
  for (const auto& seed : Seeds()) {
    ASSERT_GE(seed.size(), 96u);
    fuzz::RunFirmwareImageInput(seed);
    for (size_t len : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{52}, size_t{84},
                       seed.size() / 2, seed.size() - 1}) {
      fuzz::RunFirmwareImageInput(std::span(seed).first(std::min(len, seed.size())));
      ++runs;
    }
    const bool be = seed[5] == 2;
    for (size_t field : {size_t{28}, size_t{52 + 4}, size_t{52 + 12}, size_t{52 + 20}, size_t{84},
                         size_t{84 + 4}, size_t{84 + 12}, size_t{84 + 20}}) {
      for (uint32_t value : extremes) {
        auto m = seed;
        testing::Put32(m, field, value, be);
        fuzz::RunFirmwareImageInput(m);
        ++runs;
      }
    }
    for (int i = 0; i < 300; ++i) {
      auto m = seed;
      const int edits = 1 + static_cast<int>(next() % 8);
      for (int e = 0; e < edits; ++e) {
        const size_t at = next() % m.size();
        switch (next() % 4) {
          case 0: m[at] ^= static_cast<uint8_t>(1u << (next() % 8)); break;
          case 1: m[at] = static_cast<uint8_t>(next()); break;
          case 2: testing::PutMarker(m, std::min(at, m.size() - 4),
                                     static_cast<uint16_t>(0x2426 + next() % 6)); break;
          default: m.resize(std::max<size_t>(at, 1)); break;
        }
      }
      fuzz::RunFirmwareImageInput(m);
      ++runs;
    }
  }
  EXPECT_GT(runs, 1000u);
}

}  // namespace
}  // namespace vt::flash
