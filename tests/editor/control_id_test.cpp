#include "editor/control_id.h"

#include <gtest/gtest.h>

namespace vt::profiles {
namespace {

TEST(ControlId, EveryIdentifierDecodesAndEncodesBackToItself) {
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    const FieldDescriptor d = DecodeControlId(static_cast<uint16_t>(id));
    ASSERT_LE(d.shift, 7);
    ASSERT_LE(d.widthCode, 7);
    ASSERT_EQ(EncodeControlId(d.field, d.shift, d.widthCode, d.kind), id);
    const uint16_t bits = FieldBits(d.shift, d.widthCode);
    ASSERT_EQ(d.mask, static_cast<uint8_t>(~bits & 0xFF)) << id;
  }
}

TEST(ControlId, IdentifiersOfTheTemplatesDecodeToTheirWords) {
  struct Case {
    uint16_t id;
    FieldDescriptor expected;
  };
  const Case cases[] = {
      {0xC000, {0, 0, 0, ControlKind::Selector, 0xFE}},   // camera model
      {0x780D, {13, 7, 0, ControlKind::CheckBox, 0x7F}},  // first automatic-shooting box
      {0x8713, {19, 0, 7, ControlKind::TrackBar, 0x00}},  // tilt position #1, 8 bits
      {0x8009, {9, 0, 0, ControlKind::TrackBar, 0xFE}},   // zoom, 1 bit
      {0x0070, {112, 0, 0, ControlKind::Display, 0xFE}},  // the four LED pictures
      {0x0870, {112, 1, 0, ControlKind::Display, 0xFD}},
      {0x1070, {112, 2, 0, ControlKind::Display, 0xFB}},
      {0x1870, {112, 3, 0, ControlKind::Display, 0xF7}},
      {0xC020, {32, 0, 0, ControlKind::Selector, 0xFE}},  // default profile
      {0x8073, {115, 0, 0, ControlKind::TrackBar, 0xFE}}, // Debug page test output
      {0x6174, {116, 4, 1, ControlKind::CheckBox, 0xCF}}, // "Degrees, Gear ratio 1:1"
      {0x6074, {116, 4, 0, ControlKind::CheckBox, 0xEF}}, // "Milliseconds"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeControlId(c.id), c.expected) << std::hex << c.id;
    EXPECT_EQ(EncodeControlId(c.expected.field, c.expected.shift, c.expected.widthCode,
                              c.expected.kind),
              c.id);
  }
}

TEST(ControlId, MaskOfAFieldReachingPastBitSevenCoversOnlyTheLowByte) {
  // Four bits from bit 6: bits 6-9 of the word; only 6 and 7 show in the mask.
  EXPECT_EQ(DecodeControlId(EncodeControlId(40, 6, 3, ControlKind::TrackBar)).mask, 0x3F);
  // Eight bits from bit 7: the low byte keeps bits 0-6.
  EXPECT_EQ(DecodeControlId(EncodeControlId(40, 7, 7, ControlKind::TrackBar)).mask, 0x7F);
}

TEST(ControlId, OversizedShiftOrWidthCannotSpillIntoOtherFields) {
  EXPECT_EQ(EncodeControlId(5, 9, 0, ControlKind::CheckBox),
            EncodeControlId(5, 1, 0, ControlKind::CheckBox));
  EXPECT_EQ(EncodeControlId(5, 0, 15, ControlKind::Display), 0x0705);
}

TEST(ControlId, FieldValuesReadAndWriteOnlyTheirBits) {
  const FieldDescriptor bit5 = DecodeControlId(0x680D);
  EXPECT_EQ(FieldValue(0x0020, bit5), 1);
  EXPECT_EQ(FieldValue(0xFFDF, bit5), 0);
  EXPECT_EQ(WithFieldValue(0xFFFF, bit5, 0), 0xFFDF);
  EXPECT_EQ(WithFieldValue(0x0000, bit5, 1), 0x0020);

  const FieldDescriptor units = DecodeControlId(0x6174);  // bits 4-5
  EXPECT_EQ(WithFieldValue(0xABCD, units, 3), 0xABFD);
  // A value wider than its field is cut to the field.
  EXPECT_EQ(WithFieldValue(0x0000, units, 0xFF), 0x0030);
}

}  // namespace
}  // namespace vt::profiles
