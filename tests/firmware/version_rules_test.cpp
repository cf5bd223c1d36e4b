#include <gtest/gtest.h>

#include "flash/firmware_version.h"
#include "flash/markers.h"
#include "tests/firmware/elf_builder.h"

namespace vt::flash {
namespace {

FirmwareVersion V(uint16_t s, uint16_t m, uint16_t b) { return {s, m, b}; }

TEST(CompareVersions, OrderOfRules) {
  EXPECT_EQ(CompareVersions(std::nullopt, V(2, 5, 10)), -1);
  EXPECT_EQ(CompareVersions(V(2, 5, 10), std::nullopt), -1);
  EXPECT_EQ(CompareVersions(V(3, 0, 0), V(2, 5, 10)), -2);
  EXPECT_EQ(CompareVersions(V(3, 9, 99), V(2, 5, 10)), -2);
  EXPECT_EQ(CompareVersions(V(2, 5, 10), V(2, 5, 10)), 0);
  EXPECT_EQ(CompareVersions(V(2, 4, 99), V(2, 5, 10)), 1);
  EXPECT_EQ(CompareVersions(V(2, 5, 9), V(2, 5, 10)), 1);
  EXPECT_EQ(CompareVersions(V(1, 5, 10), V(2, 5, 10)), 0);
  // A newer minor with a lower build is not older firmware.
  EXPECT_EQ(CompareVersions(V(2, 6, 0), V(2, 5, 10)), 0);
}

TEST(ImageVersion, FieldsAndSeriesFromTheIdentityRecord) {
  std::vector<uint8_t> img(0x400, 0x41);
  testing::PutMarker(img, 0x300, kVersionMarker);
  testing::Put16(img, 0x304, 7, false);
  testing::Put16(img, 0x306, 81, false);
  auto v = ImageFirmwareVersion(img);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->series, 2);  // no identity record
  EXPECT_EQ(v->minor, 7);
  EXPECT_EQ(v->build, 81);
  testing::PutMarker(img, 0x100, kIdentityMarker);
  img[0x100 + 24] = '4';
  EXPECT_EQ(ImageFirmwareVersion(img)->series, 4);
  // An identity record cut off by the end of the image never reads past it.
  std::vector<uint8_t> cut(img.begin(), img.end());
  testing::PutMarker(cut, cut.size() - 8, kIdentityMarker);
  cut[0x100] = 0;
  EXPECT_EQ(ImageFirmwareVersion(cut)->series, 0);
  EXPECT_FALSE(ImageFirmwareVersion(std::vector<uint8_t>(64, 0)));
}

}  // namespace
}  // namespace vt::flash
