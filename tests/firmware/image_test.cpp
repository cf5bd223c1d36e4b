#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "flash/elf_loader.h"
#include "flash/image_converter.h"
#include "flash/markers.h"
#include "flash/stored_image.h"
#include "tests/firmware/elf_builder.h"
#include "tests/support/temp_path.h"

namespace vt::flash {
namespace {

using testing::MakeElf;
using testing::Segment;

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(StoredImage, RoundTripsEvenAndOddLengths) {
  for (size_t len : {0u, 1u, 2u, 5u, 64u, 1001u}) {
    std::vector<uint8_t> plain(len);
    for (size_t i = 0; i < len; ++i) plain[i] = static_cast<uint8_t>(0xF0 + i * 13);
    const auto stored = EncodeStoredImage(plain);
    ASSERT_EQ(stored.size(), len / 2 * 2) << len;
    const auto decoded = DecodeStoredImage(stored);
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), plain.begin())) << len;
    EXPECT_EQ(EncodeStoredImage(decoded), stored) << len;
  }
}

TEST(StoredImage, RunningSumWrapsAndOddStoredByteDecodesAsZero) {
  const std::vector<uint8_t> plain{0xFF, 0xFF, 0x02, 0x00};
  EXPECT_EQ(EncodeStoredImage(plain), (std::vector<uint8_t>{0xFF, 0xFF, 0x01, 0x00}));
  const std::vector<uint8_t> odd{0x10, 0x00, 0x30, 0x00, 0x77};
  EXPECT_EQ(DecodeStoredImage(odd), (std::vector<uint8_t>{0x10, 0x00, 0x20, 0x00, 0x00}));
}

TEST(StoredImage, BuiltInResourcesDecodeToTheCommittedElfFiles) {
  const std::filesystem::path dir = VT_FIRMWARE_DIR;
  auto standard = DecodeStoredImage(kStandardImageResource);
  auto rboard = DecodeStoredImage(kRBoardImageResource);
  ASSERT_TRUE(standard && rboard);
  const auto elf = ReadAll(dir / "standard/velotrack-standard.elf");
  EXPECT_EQ(*standard, std::vector<uint8_t>(elf.begin(), elf.begin() + elf.size() / 2 * 2));
  EXPECT_EQ(*rboard, ReadAll(dir / "r-board/velotrack-r.elf"));
  EXPECT_FALSE(DecodeStoredImage(12345));
  EXPECT_FALSE(DecodeStoredImage(kStandardImageResource, nullptr));
}

TEST(ImageConverter, WritesStoredFormAndSkipsMissingOrEmptyInput) {
  const auto dir = vt::test::TempPath("vt_converter_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  EXPECT_FALSE(ConvertImageFile(dir));
  EXPECT_FALSE(std::filesystem::exists(dir / "usbfw.vt"));
  { std::ofstream(dir / "usbfw.elf", std::ios::binary); }
  EXPECT_FALSE(ConvertImageFile(dir));
  EXPECT_FALSE(std::filesystem::exists(dir / "usbfw.vt"));
  {
    std::ofstream out(dir / "usbfw.elf", std::ios::binary);
    out.write("\x01\x02\x03\x04\x05", 5);
  }
  ASSERT_TRUE(ConvertImageFile(dir));
  const auto stored = ReadAll(dir / "usbfw.vt");
  ASSERT_EQ(stored.size(), 4u);
  EXPECT_EQ(DecodeStoredImage(stored), (std::vector<uint8_t>{1, 2, 3, 4}));
  std::filesystem::remove_all(dir);
}

TEST(ImageConverter, RefusesFoldersAndOversizedInputsAndKeepsTheOutput) {
  const auto dir = vt::test::TempPath("vt_converter_kinds_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "usbfw.elf");
  std::string error;
  EXPECT_FALSE(ConvertImageFile(dir, &error));  // a folder as input: no abort
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  std::filesystem::remove(dir / "usbfw.elf");

  { std::ofstream(dir / "usbfw.elf", std::ios::binary) << "ELF!"; }
  std::filesystem::create_directories(dir / "usbfw.vt");
  EXPECT_FALSE(ConvertImageFile(dir, &error));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "usbfw.vt"));
  std::filesystem::remove(dir / "usbfw.vt");

  { std::ofstream(dir / "usbfw.vt", std::ios::binary) << "old"; }
  std::filesystem::resize_file(dir / "usbfw.elf", kConverterInputLimit + 1);
  EXPECT_FALSE(ConvertImageFile(dir, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(dir / "usbfw.vt").size(), 3u);  // old output untouched
  std::filesystem::remove_all(dir);
}

TEST(Markers, ScanIsByteWiseAndStaysInsideTheWindow) {
  std::vector<uint8_t> b(64, 0x55);
  testing::PutMarker(b, 13, kVersionMarker);
  EXPECT_EQ(FindMarker(b, 0, b.size(), kVersionMarker), 13u);
  EXPECT_EQ(FindMarker(b, 13, 17, kVersionMarker), 13u);
  EXPECT_FALSE(FindMarker(b, 0, 16, kVersionMarker));  // straddles the end
  EXPECT_FALSE(FindMarker(b, 14, b.size(), kVersionMarker));
  EXPECT_FALSE(FindMarker(b, 0, b.size(), kAppEndMarker));
  // Only the half repeated twice counts.
  std::vector<uint8_t> half{0x27, 0x24, 0x00, 0x27, 0x24, 0x27};
  EXPECT_FALSE(FindMarker(half, 0, 1000, kVersionMarker));
  // A window past the buffer is clamped; a marker at the very end is found.
  std::vector<uint8_t> tail{0x00, 0x2B, 0x24, 0x2B, 0x24};
  EXPECT_EQ(FindMarker(tail, 0, 1 << 20, kIdentityMarker), 1u);
  EXPECT_FALSE(FindMarker({}, 0, 100, kIdentityMarker));
}

TEST(ElfLoader, LoadAddressPlacesDataAndAddsToSize) {
  // Two loadable segments of 0x4000 and 0x2000 bytes at load address 0x8000.
  auto elf = MakeElf({{1, 0x100, 0x8000, 0x4000}, {1, 0x4100, 0xC000, 0x2000}}, 0x6100);
  testing::Pattern(elf, 0x100, 0x6100);
  auto img = LoadElfImage(elf, BoardVariant::kStandard);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size, 0xE000u);
  EXPECT_EQ(img->working.size(), kStandardWorkingBytes);
  EXPECT_FALSE(img->applicationFromFile);
  EXPECT_TRUE(std::equal(elf.begin() + 0x100, elf.end(), img->working.begin() + 0x8000));
  EXPECT_EQ(img->working[0x7FFF], 0);
  EXPECT_EQ(img->Application().data(), img->working.data());
}

TEST(ElfLoader, ZeroLoadAddressStartsTheApplicationAtTheFileData) {
  auto elf = MakeElf({{1, 0x80, 0, 0x200}}, 0x400, false, 103);
  testing::Pattern(elf, 0x80, 0x400);
  auto img = LoadElfImage(elf, BoardVariant::kAB);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size, 0x200u);
  EXPECT_TRUE(img->applicationFromFile);
  const auto app = img->Application();
  ASSERT_EQ(app.size(), 0x400u - 0x80u);
  EXPECT_TRUE(std::equal(app.begin(), app.end(), elf.begin() + 0x80));
  EXPECT_TRUE(std::equal(elf.begin() + 0x80, elf.begin() + 0x280, img->working.begin()));
  EXPECT_EQ(img->working[0x200], 0);  // only the loadable bytes are copied
}

TEST(ElfLoader, OnlyConsecutiveLoadableEntriesCount) {
  auto notFirst = MakeElf({{6, 0x80, 0, 0x40}, {1, 0x80, 0x100, 0x40}}, 0x200);
  auto img = LoadElfImage(notFirst, BoardVariant::kStandard);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size, 0u);
  auto gap = MakeElf({{1, 0x80, 0, 0x40}, {4, 0, 0, 0x1000}, {1, 0, 0, 0x1000}}, 0x200);
  img = LoadElfImage(gap, BoardVariant::kStandard);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size, 0x40u);
}

TEST(ElfLoader, BigEndianImagesForRBoards) {
  auto elf = MakeElf({{1, 0x80, 0x80000000u, 0x300}}, 0x380, true);
  testing::Pattern(elf, 0x80, 0x380);
  auto img = LoadElfImage(elf, BoardVariant::kR);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->working.size(), kRBoardWorkingBytes);
  EXPECT_EQ(img->size, 0x300u);  // the load address does not add to the size
  EXPECT_TRUE(std::equal(elf.begin() + 0x80, elf.end(), img->working.begin()));
  // The header tests are per variant.
  EXPECT_FALSE(LoadElfImage(elf, BoardVariant::kStandard));
  EXPECT_FALSE(LoadElfImage(MakeElf({{1, 0x80, 0, 0x10}}, 0x100), BoardVariant::kR));
}

// Loading into an image that held another one gives what a fresh load
// gives: nothing of the earlier image is left in it.
TEST(ElfLoader, ReusedImageHoldsNothingOfTheOneBefore) {
  auto big = MakeElf({{1, 0x80, 0x80000000u, 0x300}, {1, 0x380, 0x80001000u, 0x100}}, 0x480, true);
  testing::Pattern(big, 0x80, 0x480);
  auto fromZero = MakeElf({{1, 0x80, 0, 0x200}}, 0x400, false, 103);
  testing::Pattern(fromZero, 0x80, 0x400);
  auto placed = MakeElf({{1, 0x100, 0x40, 0x80}}, 0x180);
  LoadedImage reused;
  ASSERT_TRUE(LoadElfImageInto(big, BoardVariant::kR, reused));
  for (const auto& [elf, variant] : {std::pair{fromZero, BoardVariant::kAB}, std::pair{placed, BoardVariant::kStandard}}) {
    ASSERT_TRUE(LoadElfImageInto(elf, variant, reused));
    const auto fresh = LoadElfImage(elf, variant);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(reused.working, fresh->working);
    EXPECT_EQ(reused.fileTail, fresh->fileTail);
    EXPECT_EQ(reused.applicationFromFile, fresh->applicationFromFile);
    EXPECT_EQ(reused.size, fresh->size);
    ASSERT_EQ(reused.segments.size(), fresh->segments.size());
    EXPECT_EQ(reused.segments.back().dest, fresh->segments.back().dest);
  }
}

TEST(ElfLoader, RejectsWrongTypeMachineAndShortHeaders) {
  auto elf = MakeElf({{1, 0x80, 0, 0x10}}, 0x100, false, 62);
  EXPECT_FALSE(LoadElfImage(elf, BoardVariant::kStandard));
  elf = MakeElf({{1, 0x80, 0, 0x10}}, 0x100);
  elf[16] = 3;  // shared object
  EXPECT_FALSE(LoadElfImage(elf, BoardVariant::kStandard));
  elf = MakeElf({{1, 0x80, 0, 0x10}}, 0x100);
  for (size_t len : {0u, 20u, 31u}) {
    EXPECT_FALSE(LoadElfImage(std::span(elf).first(len), BoardVariant::kStandard)) << len;
  }
}

TEST(ElfLoader, RefusesAnythingOutsideTheFileOrTheWorkingBuffer) {
  // Program header table past the end of the file.
  auto elf = MakeElf({}, 0x100);
  testing::Put32(elf, 28, 0x100 - 16, false);
  EXPECT_FALSE(LoadElfImage(elf, BoardVariant::kStandard));
  testing::Put32(elf, 28, 0xFFFFFFF0u, false);
  EXPECT_FALSE(LoadElfImage(elf, BoardVariant::kStandard));
  // Segment data past the end of the file, also with a wrapping offset.
  EXPECT_FALSE(LoadElfImage(MakeElf({{1, 0x80, 0, 0x200}}, 0x100), BoardVariant::kStandard));
  EXPECT_FALSE(LoadElfImage(MakeElf({{1, 0xFFFFFF00u, 0, 0x200}}, 0x100), BoardVariant::kStandard));
  // Huge sizes are capped, and the capped run still has to be in the file.
  EXPECT_FALSE(LoadElfImage(MakeElf({{1, 0x80, 0, 0xFFFFFFFFu}, {1, 0, 0, 0xFFFFFFFFu}}, 0x1000),
                            BoardVariant::kStandard));
  // Load address that would put the copy past the working buffer.
  EXPECT_FALSE(LoadElfImage(MakeElf({{1, 0x80, 0x1FFF0, 0x20}}, 0x100), BoardVariant::kStandard));
  EXPECT_TRUE(LoadElfImage(MakeElf({{1, 0x80, 0x1FFE0, 0x20}}, 0x100), BoardVariant::kStandard));
}

}  // namespace
}  // namespace vt::flash
