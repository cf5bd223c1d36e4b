// Stored record <-> word table conversions.

#include <gtest/gtest.h>

#include <random>

#include "profiles/camera_models.h"
#include "profiles/profile_model.h"

namespace vt::profiles {
namespace {

// The record layout written out independently of the library's field table:
// offset, width in bytes, word.
struct Layout {
  size_t offset;
  size_t bytes;
  uint8_t word;
};
constexpr Layout kLayout[] = {
    {4, 2, 0},   {6, 2, 2},   {8, 2, 5},   {12, 2, 8},  {14, 2, 1},  {16, 2, 6},  {18, 2, 7},
    {20, 2, 4},  {24, 2, 15}, {26, 2, 16}, {28, 2, 10}, {30, 2, 11}, {32, 2, 13}, {34, 2, 14},
    {36, 1, 17}, {37, 1, 18}, {38, 1, 19}, {39, 1, 20}, {40, 1, 21}, {41, 1, 22}, {42, 1, 24},
    {43, 1, 25}, {44, 1, 26}, {45, 1, 27}, {46, 1, 28}, {47, 1, 29}, {48, 1, 30}, {49, 1, 31},
    {50, 1, 23}, {51, 1, 37}, {52, 1, 33}, {53, 1, 34}, {54, 1, 38}};
constexpr uint16_t kCameraS1 = 0x4022;  // zoom list ZM-C

uint16_t Get16(const StoredRecord& r, size_t o) { return static_cast<uint16_t>(r[o] | r[o + 1] << 8); }
void Put16(StoredRecord& r, size_t o, uint16_t v) {
  r[o] = static_cast<uint8_t>(v);
  r[o + 1] = static_cast<uint8_t>(v >> 8);
}

TEST(ProfileModelTest, RecordFieldsLandInTheirWords) {
  StoredRecord r{};
  for (const Layout& f : kLayout) {
    if (f.bytes == 2) Put16(r, f.offset, static_cast<uint16_t>(0x0A00 + f.offset));
    else r[f.offset] = static_cast<uint8_t>(0x80 + f.offset);
  }
  Put16(r, 4, kCameraS1);
  Put16(r, 22, 22);  // zoom 12x
  WordTable words{};
  words.fill(0xBEEF);
  LoadRecordIntoWords(r, 3, words);
  for (const Layout& f : kLayout) {
    if (f.word == 0) continue;
    const uint16_t want = f.bytes == 2 ? static_cast<uint16_t>(0x0A00 + f.offset)
                                       : static_cast<uint16_t>(0x80 + f.offset);
    EXPECT_EQ(words[f.word], want) << "word " << int{f.word};
  }
  EXPECT_EQ(words[word::kCamera], kCameraS1);
  EXPECT_EQ(words[word::kZoom], 12);  // position of code 22 in ZM-C
  // Words outside the record stay as they were, including profile 1's own
  // header words in another profile's table.
  for (size_t w : {3, 12, 35, 36, 39, 32, 116, 150}) EXPECT_EQ(words[w], 0xBEEF) << w;
}

TEST(ProfileModelTest, OnlyProfileOneHeaderCarriesDefaultProfileAndUnits) {
  StoredRecord r{};
  Put16(r, 0, 0x1300);
  const WordTable first = RecordToWords(r, 1);
  EXPECT_EQ(first[word::kDefaultProfile], 3);  // "#4"
  EXPECT_EQ(first[word::kServoUnits], kServoUnitsDegrees);
  const WordTable second = RecordToWords(r, 2);
  EXPECT_EQ(second[word::kDefaultProfile], 0);
  EXPECT_EQ(second[word::kServoUnits], 0);

  WordTable words{};
  words[word::kDefaultProfile] = 6;
  words[word::kServoUnits] = kServoUnitsDegrees;
  EXPECT_EQ(Get16(WordsToRecord(words, 1), 0), 0x1600);
  for (int n = 2; n <= 7; ++n) EXPECT_EQ(Get16(WordsToRecord(words, n), 0), n);
}

TEST(ProfileModelTest, StoringKeepsReservedBytesZeroAndTakesLowBytes) {
  WordTable words{};
  words.fill(0xFFFF);  // unused words must not leak into reserved bytes
  words[word::kCamera] = kCameraS1;
  words[word::kZoom] = 12;
  words[word::kDefaultProfile] = 0;
  words[word::kServoUnits] = 0;
  words[word::kPanNextPosition] = 0x1234;
  const StoredRecord r = WordsToRecord(words, 1);
  EXPECT_EQ(Get16(r, 2), 0);
  EXPECT_EQ(Get16(r, 10), 0);
  for (size_t i = 55; i < kRecordSize; ++i) EXPECT_EQ(r[i], 0) << i;
  EXPECT_EQ(r[36], 0x34);
  EXPECT_EQ(Get16(r, 22), 22);  // position 12 back to code 22
  EXPECT_EQ(Get16(r, 32), 0xFFFF);  // option bits 0-1 and 8-15 pass through
}

TEST(ProfileModelTest, ZoomOfUnknownCameraOrCodeLoadsAsPositionZero) {
  StoredRecord r{};
  Put16(r, 4, 0x7777);  // no such camera
  Put16(r, 22, 5);
  WordTable words = RecordToWords(r, 2);
  EXPECT_EQ(words[word::kCamera], 0x7777);
  EXPECT_EQ(words[word::kZoom], 0);
  EXPECT_EQ(Get16(WordsToRecord(words, 2), 22), 0);

  Put16(r, 4, kCameraS1);
  Put16(r, 22, 15);  // not in ZM-C
  words = RecordToWords(r, 2);
  EXPECT_EQ(words[word::kZoom], 0);
  // A position past the list's end stores code 0.
  words[word::kZoom] = 40;
  EXPECT_EQ(Get16(WordsToRecord(words, 2), 22), 0);
}

// A record as the board or a file may hold it: any field values, a camera of
// the table, a zoom code of that camera's list, reserved bytes zero.
StoredRecord RandomRecord(std::mt19937& rng, int profileNumber) {
  StoredRecord r{};
  std::uniform_int_distribution<int> any16(0, 0xFFFF), any8(0, 0xFF);
  for (const Layout& f : kLayout) {
    if (f.bytes == 2) Put16(r, f.offset, static_cast<uint16_t>(any16(rng)));
    else r[f.offset] = static_cast<uint8_t>(any8(rng));
  }
  const auto cameras = CameraModels();
  const CameraModel& camera =
      cameras[std::uniform_int_distribution<size_t>(0, cameras.size() - 1)(rng)];
  Put16(r, 4, static_cast<uint16_t>(camera.code));
  uint16_t zoom = 0;
  if (camera.zoom != nullptr) {
    zoom = camera.zoom->entries[std::uniform_int_distribution<size_t>(0, camera.zoom->size() - 1)(rng)].code;
  }
  Put16(r, 22, zoom);
  Put16(r, 0, profileNumber == 1 ? static_cast<uint16_t>(any8(rng) << 8)
                                 : static_cast<uint16_t>(profileNumber));
  return r;
}

TEST(ProfileModelTest, RandomRecordsSurviveTheRoundTripInEveryProfile) {
  std::mt19937 rng(20261208);
  for (int n = 1; n <= kProfileCount; ++n) {
    for (int i = 0; i < 300; ++i) {
      const StoredRecord r = RandomRecord(rng, n);
      ASSERT_EQ(WordsToRecord(RecordToWords(r, n), n), r) << "profile " << n << " case " << i;
    }
  }
}

TEST(ProfileModelTest, SevenTablesStoreAsSevenRecordsInOrder) {
  std::mt19937 rng(7);
  WordTables tables{};
  std::array<StoredRecord, kProfileCount> records{};
  for (int n = 1; n <= kProfileCount; ++n) {
    records[static_cast<size_t>(n - 1)] = RandomRecord(rng, n);
    tables[static_cast<size_t>(n - 1)] = RecordToWords(records[static_cast<size_t>(n - 1)], n);
  }
  const ProfileRecordsBytes image = StoreEditorProfiles(tables);
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(RecordAt(image, i), records[static_cast<size_t>(i)]) << i;
  }
  EXPECT_FALSE(RecordAt(image, -1));
  EXPECT_FALSE(RecordAt(image, 7));  // the Debug tab has no record
  EXPECT_FALSE(RecordAt(std::span(image).first(100), 1));
}

TEST(ProfileModelTest, FallbackImageShowsEveryProfileNotSelected) {
  const ProfileRecordsBytes image = FallbackProfileRecords();
  for (int n = 1; n <= kProfileCount; ++n) {
    const WordTable words = RecordToWords(*RecordAt(image, n - 1), n);
    EXPECT_EQ(CameraIndexOfCode(static_cast<int16_t>(words[word::kCamera])), 0u);
    EXPECT_EQ(words[word::kCamera], 0xFFFF);
  }
  size_t nonZero = 0;
  for (uint8_t b : image) nonZero += b != 0;
  EXPECT_EQ(nonZero, 14u);
}

TEST(ProfileModelTest, LedLinesAndOptionTexts) {
  EXPECT_EQ(LedLineText(1), "LEDs: R - - G");
  EXPECT_EQ(LedLineText(4), "LEDs: - - R G");
  EXPECT_EQ(LedLineText(6), "LEDs: - R R G");
  EXPECT_EQ(LedLineText(0), "");
  EXPECT_EQ(LedLineText(8), "");
  EXPECT_EQ(OptionBitText(2), "360\u00B0");
  EXPECT_EQ(OptionBitText(7),
            "Full automatic shooting, ignores manual settings (lens opens only at shoot)");
  EXPECT_EQ(OptionBitText(1), "");
  EXPECT_EQ(OptionBitText(8), "");
}

TEST(ProfileModelTest, FieldLookupCoversEveryRecordWord) {
  for (const Layout& f : kLayout) {
    const auto field = RecordFieldOfWord(f.word);
    ASSERT_TRUE(field) << int{f.word};
    EXPECT_EQ(field->offset, f.offset);
    EXPECT_EQ(field->bytes, f.bytes);
  }
  EXPECT_EQ(RecordFieldOfWord(word::kZoom)->offset, 22);
  EXPECT_FALSE(RecordFieldOfWord(word::kDefaultProfile));
  EXPECT_FALSE(RecordFieldOfWord(3));
  EXPECT_EQ(RecordFields().size(), std::size(kLayout));  // zoom in, camera word out
}

}  // namespace
}  // namespace vt::profiles
