#include <gtest/gtest.h>

#include "profiles/camera_models.h"
#include "profiles/profile_file.h"
#include "profiles/profile_text_edit.h"
#include "profiles/profile_text_fields.h"
#include "profiles/profile_text_internal.h"

namespace vt::profiles {
namespace {

// An all-sets file: seven records of one camera with a few settings set.
std::vector<uint8_t> SampleFile() {
  ProfileRecordsBytes records{};
  for (int i = 0; i < kProfileCount; ++i) {
    StoredRecord r{};
    SetRecordU16(r, 0, static_cast<uint16_t>(i == 0 ? 0 : i + 1));
    SetRecordU16(r, 4, static_cast<uint16_t>(CameraOfCode(0x4001).code));
    r[FindTextField("pan_starting_position")->offset] = static_cast<uint8_t>(100 + i);
    std::copy(r.begin(), r.end(), records.begin() + i * kRecordSize);
  }
  ProfileFileInfo info;
  info.firmwareVersion = "2.7.14";
  return BuildAllProfilesFile(records, info);
}

std::vector<StoredRecord> RecordsOf(const std::vector<uint8_t>& file) {
  const auto parsed = ParseProfileFile(file);
  EXPECT_TRUE(parsed.file);
  return parsed.file ? parsed.file->records : std::vector<StoredRecord>{};
}

std::string Get(const std::vector<uint8_t>& file, const std::string& key) {
  const auto got = GetProfileTextValues(file, {key});
  EXPECT_EQ(got.values.size(), 1u) << key << ": " << got.error;
  return got.values.empty() ? std::string() : got.values[0].text;
}

// Only the named settings change; every other byte of every record stays,
// the servo positions included when the units change their labels.
TEST(ProfileTextEdit, SetChangesOnlyTheNamedSettings) {
  const auto before = SampleFile();
  const auto set = SetProfileTextValues(
      before, {"set3.interval=10 sec", "set.5.pan_360=true", "set1.servo_units=Degrees, Gear ratio 1:1"});
  ASSERT_TRUE(set.bytes) << set.error;
  const auto a = RecordsOf(before);
  const auto b = RecordsOf(*set.bytes);
  ASSERT_EQ(b.size(), a.size());
  const TextField& interval = *FindTextField("interval");
  const TextField& pan360 = *FindTextField("pan_360");
  for (size_t i = 0; i < a.size(); ++i) {
    StoredRecord expected = a[i];
    if (i == 2) text_form::SetFieldValue(expected, interval, text_form::FieldValue(b[i], interval));
    if (i == 4) text_form::SetFieldValue(expected, pan360, 1);
    if (i == 0) SetRecordU16(expected, 0, static_cast<uint16_t>(kServoUnitsDegrees << 8));
    EXPECT_EQ(b[i], expected) << "set " << i + 1;
  }
  EXPECT_EQ(Get(*set.bytes, "set3.interval"), "10 sec");
  EXPECT_EQ(Get(*set.bytes, "set5.pan_360"), "true");
  EXPECT_EQ(Get(*set.bytes, "set.1.servo_units"), "Degrees, Gear ratio 1:1");
  EXPECT_NE(Get(before, "set3.pan_starting_position"), Get(*set.bytes, "set3.pan_starting_position"));
  // The stored number itself only when written raw:N; a bare number no
  // text matches is refused with the texts allowed and the raw: form.
  const auto raw = SetProfileTextValues(before, {"set2.interval=raw:7"});
  ASSERT_TRUE(raw.bytes) << raw.error;
  EXPECT_EQ(text_form::FieldValue(RecordsOf(*raw.bytes)[1], interval), 7);
  const auto bare = SetProfileTextValues(before, {"set2.interval=7"});
  EXPECT_FALSE(bare.bytes);
  EXPECT_EQ(bare.error.rfind("set2.interval: \"7\" is not one of the values allowed: \"Minimum\"", 0), 0u)
      << bare.error;
  EXPECT_NE(bare.error.find(", or the stored number as raw:0..65535"), std::string::npos) << bare.error;
}

// A number that is one of a list's texts is that text, not the raw value;
// raw: picks the stored number.
TEST(ProfileTextEdit, NumberTextsAreTextsAndRawIsTheStoredNumber) {
  const auto before = SampleFile();
  const auto text = SetProfileTextValues(before, {"set2.iso_speed=100"});
  ASSERT_TRUE(text.bytes) << text.error;
  EXPECT_EQ(Get(*text.bytes, "set2.iso_speed"), "100");
  const TextField& iso = *FindTextField("iso_speed");
  EXPECT_NE(text_form::FieldValue(RecordsOf(*text.bytes)[1], iso), 100);
  const auto raw = SetProfileTextValues(before, {"set2.iso_speed=raw:1"});
  ASSERT_TRUE(raw.bytes) << raw.error;
  EXPECT_EQ(text_form::FieldValue(RecordsOf(*raw.bytes)[1], iso), 1);
  EXPECT_FALSE(SetProfileTextValues(before, {"set2.iso_speed=raw:x"}).bytes);
}

TEST(ProfileTextEdit, RefusalsNameTheKeyAndWhatIsAllowed) {
  const auto file = SampleFile();
  const struct {
    std::string assignment;
    std::string error;
  } cases[] = {
      {"set3.interval=forever", "set3.interval: \"forever\" is not one of the values allowed: \"Minimum\""},
      {"set3.pan_apply_time=raw:70000", "set3.pan_apply_time: 70000 is out of range; allowed:"},
      {"set3.pan_360=yes", "set3.pan_360: \"yes\" is not a check box value; allowed: true, false"},
      {"set3.no_such_key=1", "set3.no_such_key: unknown key; allowed: camera_model,"},
      {"set8.interval=5 sec", "set8.interval: not a setting"},
      {"serial=W1", "serial: not a setting"},
      {"set2.servo_units=Degrees, Gear ratio 1:1", "set2.servo_units: unknown key"},
      {"set3.interval", "\"set3.interval\": wanted KEY=VALUE"},
      {"=5", "\"=5\": wanted KEY=VALUE"},
  };
  for (const auto& c : cases) {
    const auto r = SetProfileTextValues(file, {"set1.interval=10 sec", c.assignment});
    EXPECT_FALSE(r.bytes) << c.assignment;
    EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << c.assignment << " -> " << r.error;
  }
}

TEST(ProfileTextEdit, GetTakesKeysTablesAndRefusesUnknownOnes) {
  const auto file = SampleFile();
  const auto set2 = GetProfileTextValues(file, {"set2"});
  ASSERT_EQ(set2.values.size(), TextFields().size()) << set2.error;
  EXPECT_EQ(set2.values.front().key, "set2.camera_model");
  EXPECT_EQ(set2.values.back().key, "set2.full_automatic_shooting");
  EXPECT_EQ(set2.values.back().kind, TextValue::Kind::kBool);
  EXPECT_EQ(Get(file, "firmware_version"), "2.7.14");
  const auto missing = GetProfileTextValues(file, {"set3.interval", "set3.intervall"});
  EXPECT_TRUE(missing.values.empty());
  EXPECT_EQ(missing.error.rfind("set3.intervall: no such key", 0), 0u) << missing.error;
  EXPECT_FALSE(GetProfileTextValues(std::vector<uint8_t>(10, 0), {"set1"}).error.empty());
}

}  // namespace
}  // namespace vt::profiles
