#include <gtest/gtest.h>

#include <string>

#include "flash/bootloader_update.h"
#include "flash/markers.h"
#include "flash/region_program.h"
#include "flash/region_update.h"
#include "tests/firmware/elf_builder.h"

namespace vt::flash {
namespace {

std::vector<uint8_t> RegionImage(size_t size, size_t version, size_t end) {
  std::vector<uint8_t> img(size, 0);
  testing::Pattern(img, 0, size);
  testing::PutMarker(img, version, kVersionMarker);
  testing::PutMarker(img, end, kAppEndMarker);
  return img;
}

TEST(ApplicationRegion, StandardBoardVersionMarkerPlacement) {
  auto img = RegionImage(0x3000, 0x2002, 0x2100);
  EXPECT_FALSE(LocateApplicationRegion(img, img.size(), BoardVariant::kStandard));
  img = RegionImage(0x3000, 0x2003, 0x2100);
  auto r = LocateApplicationRegion(img, img.size(), BoardVariant::kStandard);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->start, 0x1FFBu);
  EXPECT_EQ(r->writeStart, 0x1C00u);
  EXPECT_EQ(r->bytes, 0x3000u - 0x1C00u);  // up to the loaded size
  EXPECT_EQ(r->boardAddress, 0x1C00u);
  EXPECT_EQ(r->end, 0x2104u);
  // Missing end marker: refused.
  img = RegionImage(0x3000, 0x2003, 0x2100);
  img[0x2100] = 0;
  EXPECT_FALSE(LocateApplicationRegion(img, img.size(), BoardVariant::kStandard));
}

TEST(ApplicationRegion, StandardBoardRefusesASizeThatStopsShortOfTheEndMarker) {
  auto img = RegionImage(0x3000, 0x2808, 0x2A00);
  EXPECT_TRUE(LocateApplicationRegion(img, 0x2A04, BoardVariant::kStandard));
  EXPECT_FALSE(LocateApplicationRegion(img, 0x2900, BoardVariant::kStandard));
  EXPECT_FALSE(LocateApplicationRegion(img, 0x2000, BoardVariant::kStandard));
}

TEST(ApplicationRegion, RBoardPlacementAndAddressMapping) {
  auto img = RegionImage(0x200, 24, 0x100);
  auto r = LocateApplicationRegion(img, img.size(), BoardVariant::kR);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->start, 4u);
  EXPECT_EQ(r->boardAddress, 0x80007000u);
  EXPECT_EQ(r->bytes, 0x104u);
  EXPECT_FALSE(LocateApplicationRegion(RegionImage(0x200, 0, 0x100), 0x200, BoardVariant::kR));
  EXPECT_FALSE(LocateApplicationRegion(RegionImage(0x200, 32, 0x100), 0x200, BoardVariant::kR));

  img = RegionImage(0x8000, 0x6E14, 0x7100);
  r = LocateApplicationRegion(img, img.size(), BoardVariant::kR);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->boardAddress, 0x8000DE00u);
  img = RegionImage(0x8000, 0x7014, 0x7100);
  r = LocateApplicationRegion(img, img.size(), BoardVariant::kR);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->boardAddress, 0x80007000u);
}

TEST(ApplicationRegion, ABBoardAlignsTo4096) {
  EXPECT_FALSE(LocateApplicationRegion(RegionImage(0x8000, 0x6002, 0x7000), 0x8000,
                                       BoardVariant::kAB));
  auto r = LocateApplicationRegion(RegionImage(0x8000, 0x6014, 0x7000), 0x8000, BoardVariant::kAB);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->writeStart, 0x6000u);
  EXPECT_EQ(r->bytes, 0x1004u);
}

TEST(RegionChecksum, WordOrderAndOddLength) {
  const std::vector<uint8_t> b{0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(RegionChecksum(b, 0, 4, false), 0x0604);
  EXPECT_EQ(RegionChecksum(b, 0, 4, true), 0x0406);
  EXPECT_EQ(RegionChecksum(b, 0, 3, false), 0x0604);  // takes the byte after the region
  EXPECT_EQ(RegionChecksum(b, 1, 4, false), 0x0302 + 0x0004);  // nothing past the buffer
  const std::vector<uint8_t> ff{0xFF, 0xFF, 0x01, 0x00};
  EXPECT_EQ(RegionChecksum(ff, 0, 4, false), 0x0000);
}

// An image with an identity record at 0x10 holding `text`, and optionally a
// version record whose minor field is `minor`.
std::vector<uint8_t> IdentityImage(const std::string& text, std::optional<uint16_t> minor) {
  std::vector<uint8_t> img(0x200, 0);
  testing::PutMarker(img, 0x10, kIdentityMarker);
  for (size_t k = 0; k < text.size(); ++k) img[0x16 + 2 * k] = static_cast<uint8_t>(text[k]);
  if (minor) {
    testing::PutMarker(img, 0x100, kVersionMarker);
    testing::Put16(img, 0x104, *minor, false);
  }
  return img;
}

std::string RecordText(const std::vector<uint8_t>& img, size_t chars = 17) {
  std::string s;
  for (size_t k = 0; k < chars; ++k) s += static_cast<char>(img[0x16 + 2 * k]);
  return s;
}

devlink::BoardIdentity Board(const std::string& serial) {
  devlink::BoardIdentity id;
  for (size_t k = 0; k < serial.size(); ++k) id.SetSerialChar(k, static_cast<uint8_t>(serial[k]));
  return id;
}

TEST(IdentityRecord, StandardBoardsKeepTheirNumberAndRevision) {
  auto img = IdentityImage("VV00000002-2-0306", 6);
  auto board = Board("W012345678-2.1403");
  RewriteIdentityRecord(img, img.size(), 0x10, board, 0, 0);
  // 'W' followed by '0' becomes "VV"; digits 2..9 are the board's own.
  EXPECT_EQ(RecordText(img), "VV12345678-2-1406");

  img = IdentityImage("VV00000002-2-0306", std::nullopt);
  board = Board("N712345678-2.__");
  RewriteIdentityRecord(img, img.size(), 0x10, board, kOptLetterOverride, 0);
  EXPECT_EQ(RecordText(img), "NV12345678-2-0301");
}

TEST(IdentityRecord, OldSerialLayoutIsConverted) {
  auto img = IdentityImage("VV00000002-2-0306", std::nullopt);
  auto board = Board("XA1234-6789012345");
  RewriteIdentityRecord(img, img.size(), 0x10, board, 0, 0);
  const auto rec = RecordText(img);
  EXPECT_EQ(rec[0], 'X');
  EXPECT_EQ(rec[1], 'V');
  EXPECT_EQ(rec[10], '-');
  EXPECT_EQ(rec[5], '4');  // the board's own characters 2..9 are copied afterwards
  EXPECT_EQ(rec[2], '_');  // the held character was replaced first
  EXPECT_EQ(rec.substr(13, 4), "0301");
  EXPECT_EQ(board.SerialChar(2), '_');
  EXPECT_EQ(board.SerialChar(13), '_');
}

TEST(IdentityRecord, RBoardsTakeWholeUnitsAndTheOverrideLetter) {
  auto img = IdentityImage("RV00000002-2-0406", 6);
  auto board = Board("RA98765432-2.1111");
  board.serial[2 * 5 + 1] = 0x01;  // a high byte travels with its unit
  RewriteIdentityRecord(img, img.size(), 0x10, board, kOptLetterOverride, 'T');
  EXPECT_EQ(RecordText(img), "RT98765432-2-3906");
  EXPECT_EQ(img[0x16 + 2 * 5 + 1], 0x01);

  img = IdentityImage("RV00000002-2-0406", std::nullopt);
  RewriteIdentityRecord(img, img.size(), 0x10, board, 0, 0);
  EXPECT_EQ(RecordText(img), "RA98765432-2-2000");
}

TEST(IdentityRecord, ARecordAtTheEndOfTheImageIsNotWrittenPast) {
  std::vector<uint8_t> img(0x20, 0);
  testing::PutMarker(img, 0x18, kIdentityMarker);
  auto board = Board("W712345678-2.1403");
  RewriteIdentityRecord(img, img.size(), 0x18, board, 0, 0);
  EXPECT_EQ(img[0x1E], 'V');
}

}  // namespace
}  // namespace vt::flash
