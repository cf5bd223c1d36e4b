#include <gtest/gtest.h>

#include <random>

#include "profiles/camera_models.h"
#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profile_text_fields.h"

namespace vt::profiles {
namespace {

ProfileFileInfo Info() {
  ProfileFileInfo info;
  const char* serial = "W0012345";
  for (size_t i = 0; serial[i] != 0; ++i) info.serial[i * 2] = static_cast<uint8_t>(serial[i]);
  info.firmwareVersion = "2.7.14";
  return info;
}

// Seven copies of `r` with the headers the editor stores.
ProfileRecordsBytes Records(StoredRecord r) {
  ProfileRecordsBytes all{};
  for (int i = 0; i < kProfileCount; ++i) {
    SetRecordU16(r, 0, static_cast<uint16_t>(i == 0 ? 0 : i + 1));
    std::copy(r.begin(), r.end(), all.begin() + i * kRecordSize);
  }
  return all;
}

// File -> text -> file; the bytes must come back unchanged.
void ExpectRoundTrip(const std::vector<uint8_t>& file, const std::string& what) {
  const auto text = ProfileFileToText(file);
  ASSERT_TRUE(text.text) << what << ": " << text.error;
  const auto back = ProfileTextToFile(*text.text, "t.toml");
  ASSERT_TRUE(back.bytes) << what << ": " << back.error << "\n" << *text.text;
  ASSERT_EQ(*back.bytes, file) << what << "\n" << *text.text;
}

const CameraModel& FullCamera() { return CameraOfCode(0x4001); }

// Every byte field through every value it can hold, in both servo units,
// with and without an S-pattern control mode, through the whole file form.
// Each file carries seven values, every byte field of a set holding its one.
TEST(ProfileText, EveryByteFieldValueComesBackIdentical) {
  for (const uint8_t units : {uint8_t{0x00}, uint8_t{0x10}, uint8_t{0x16}}) {
    for (const uint16_t mode : {uint16_t{0}, uint16_t{29}}) {
      for (unsigned first = 0; first <= 0xFF; first += kProfileCount) {
        ProfileRecordsBytes records{};
        for (unsigned i = 0; i < static_cast<unsigned>(kProfileCount); ++i) {
          StoredRecord r{};
          SetRecordU16(r, 0, i == 0 ? static_cast<uint16_t>(units << 8) : static_cast<uint16_t>(i + 1));
          SetRecordU16(r, 4, static_cast<uint16_t>(FullCamera().code));
          SetRecordU16(r, 8, mode);
          for (const TextField& f : TextFields()) {
            if (f.bytes == 1) r[f.offset] = static_cast<uint8_t>(std::min(first + i, 0xFFu));
          }
          std::copy(r.begin(), r.end(), records.begin() + i * kRecordSize);
        }
        ExpectRoundTrip(BuildAllProfilesFile(records, Info()), "from " + std::to_string(first));
        if (HasFatalFailure()) return;
      }
    }
  }
}

// The 16-bit fields: every value through the field's text and back, for a
// camera of each list; values without a text have none (and are written as
// numbers). Every camera's every list entry has a text.
TEST(ProfileText, EveryWordFieldValueHasATextThatReadsBackOrNone) {
  for (const TextField& f : TextFields()) {
    if (f.bytes != 2 || f.kind == TextFieldKind::kOptionBit) continue;
    TextContext c;
    c.camera = static_cast<uint16_t>(FullCamera().code);
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
      const auto text = ValueText(f, static_cast<uint16_t>(v), c);
      if (!text) continue;
      const auto back = ValueOfText(f, *text, c);
      ASSERT_TRUE(back && *back == v) << f.key << " " << v << " \"" << *text << "\"";
    }
  }
  for (const CameraModel& camera : CameraModels()) {
    TextContext c;
    c.camera = static_cast<uint16_t>(camera.code);
    EXPECT_EQ(ValueText(*FindTextField("camera_model"), c.camera, c), std::string(camera.name));
    for (const TextField& f : TextFields()) {
      if (f.kind != TextFieldKind::kCameraList && f.kind != TextFieldKind::kZoom) continue;
      const ChoiceList* list = f.kind == TextFieldKind::kZoom ? camera.zoom : camera.*(f.cameraList);
      if (list == nullptr) continue;
      for (const ChoiceEntry& e : list->entries) {
        const auto text = ValueText(f, e.code, c);
        // A list holding one code twice shows it with its first text.
        if (FindChoiceCode(list, e.code) != static_cast<size_t>(&e - list->entries.data())) continue;
        ASSERT_TRUE(text) << camera.name << " " << f.key << " " << e.text;
        EXPECT_EQ(ValueOfText(f, *text, c), e.code);
      }
    }
  }
}

// Random records (any byte anywhere, headers included) and random choices
// from the lists, in both file kinds.
TEST(ProfileText, RandomFilesComeBackIdentical) {
  std::mt19937 rng(20261210);
  std::uniform_int_distribution<int> byte(0, 255);
  const auto cameras = CameraModels();
  for (int round = 0; round < 150; ++round) {
    std::vector<uint8_t> file(kProfileFileHeaderSize + kProfileRecordsBytes);
    for (auto& b : file) b = static_cast<uint8_t>(byte(rng));
    file[0] = 'V';
    file[1] = 'T';
    file[2] = round % 2 == 0 ? '0' : '1';
    if (round % 4 < 2) {
      // Plain header texts and records built from list entries.
      std::fill(file.begin() + 3, file.begin() + kProfileFileHeaderSize, uint8_t{0});
      file[4] = 'R';
      file[36] = '1';
      for (size_t i = 0; i < static_cast<size_t>(kProfileCount); ++i) {
        uint8_t* r = file.data() + kProfileFileHeaderSize + i * kRecordSize;
        const CameraModel& camera = cameras[static_cast<size_t>(byte(rng)) % cameras.size()];
        r[4] = static_cast<uint8_t>(camera.code & 0xFF);
        r[5] = static_cast<uint8_t>((camera.code >> 8) & 0xFF);
        for (const TextField& f : TextFields()) {
          const ChoiceList* list = f.kind == TextFieldKind::kZoom         ? camera.zoom
                                   : f.kind == TextFieldKind::kCameraList ? camera.*(f.cameraList)
                                                                          : f.list;
          if (list == nullptr || list->size() == 0 || f.kind == TextFieldKind::kOptionBit) continue;
          const uint16_t code = list->entries[static_cast<size_t>(byte(rng)) % list->size()].code;
          r[f.offset] = static_cast<uint8_t>(code & 0xFF);
          if (f.bytes == 2) r[f.offset + 1] = static_cast<uint8_t>(code >> 8);
        }
      }
    }
    const size_t size = file[2] == '0' ? file.size() : kProfileFileHeaderSize + kRecordSize;
    ExpectRoundTrip(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)),
                    "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

std::string SampleText() {
  StoredRecord r{};
  SetRecordU16(r, 4, static_cast<uint16_t>(FullCamera().code));
  auto records = Records(r);
  return *ProfileFileToText(BuildAllProfilesFile(records, Info())).text;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

size_t LineOf(const std::string& text, const std::string& what) {
  const size_t at = text.find(what);
  return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

TEST(ProfileText, HeaderAndPagesTextsAreWhatAPersonReads) {
  const std::string text = SampleText();
  EXPECT_NE(text.find("kind = \"all sets\"\nserial = \"W0012345\"\nfirmware_version = \"2.7.14\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("[set7]\ncamera_model = \"Canon PowerShot (Common)\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("default_profile = \"#1\"\nservo_units = \"Milliseconds\"\n"), std::string::npos);
  EXPECT_NE(text.find("tilt_1 = \"None\"\n"), std::string::npos);
  EXPECT_NE(text.find("pan_360 = false\n"), std::string::npos);
}

// An edit the pages would not accept is refused with the file, the line,
// the key and what is allowed; nothing comes out.
TEST(ProfileText, EditsThePagesWouldRefuseAreNamedWithLineKeyAndChoices) {
  const std::string good = SampleText();
  ASSERT_TRUE(ProfileTextToFile(good, "a.toml").bytes);
  struct Case {
    std::string text;
    std::string where;     // "a.toml:LINE: key"
    std::string allowed;   // part of the message
  };
  const std::string set3 = good.substr(0, good.find("[set3]"));
  const auto set3Line = [&](const std::string& key) { return LineOf(good, "[set3]") + (LineOf(good.substr(good.find("[set3]")), key) - 1); };
  const std::vector<Case> cases = {
      {Replace(good, "[set3]\n", "[set3]\nintervall = \"10 sec\"\n"), "a.toml:" + std::to_string(LineOf(good, "[set3]") + 1) + ": set3.intervall", "unknown key"},
      {set3 + Replace(good.substr(set3.size()), "interval = ", "interval = \"eleven\" #"), "set3.interval", "\"10 sec\""},
      {set3 + Replace(good.substr(set3.size()), "pan_360 = false", "pan_360 = \"no\""), "set3.pan_360", "true, false"},
      {set3 + Replace(good.substr(set3.size()), "tilt_1 = \"None\"", "tilt_1 = 256"), "set3.tilt_1", "0..255"},
      {set3 + Replace(good.substr(set3.size()), "camera_model = \"Canon PowerShot (Common)\"",
                      "camera_model = \"- Not Selected -\""), "set3.iso_speed", "none for this camera model"},
      {Replace(good, "kind = \"all sets\"", "kind = \"some sets\""), "a.toml:2: kind", "\"all sets\", \"one set\""},
      {Replace(good, "serial = \"W0012345\"", "serial = \"W0012345W0012345W\""), "a.toml:3: serial", "fits"},
      {Replace(good, "[set3]", "[set3"), "a.toml:", ""},
  };
  for (const Case& c : cases) {
    const auto r = ProfileTextToFile(c.text, "a.toml");
    EXPECT_FALSE(r.bytes) << c.where;
    EXPECT_NE(r.error.find(c.where), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.allowed), std::string::npos) << r.error;
  }
  // The line of a bad value is the value's own line.
  const std::string bad = set3 + Replace(good.substr(set3.size()), "interval = ", "interval = \"eleven\" #");
  EXPECT_NE(ProfileTextToFile(bad, "a.toml").error.find("a.toml:" + std::to_string(set3Line("interval = ")) + ":"),
            std::string::npos);
}

TEST(ProfileText, AGoodEditChangesOnlyItsField) {
  const std::string good = SampleText();
  const std::string set3 = good.substr(0, good.find("[set3]"));
  const auto edited = ProfileTextToFile(set3 + Replace(good.substr(set3.size()), "pan_360 = false", "pan_360 = true"), "a.toml");
  ASSERT_TRUE(edited.bytes) << edited.error;
  const auto original = *ProfileTextToFile(good, "a.toml").bytes;
  for (size_t i = 0; i < original.size(); ++i) {
    const bool options = i == kProfileFileHeaderSize + 2 * kRecordSize + 32;
    EXPECT_EQ((*edited.bytes)[i], options ? (original[i] | 0x04) : original[i]) << i;
  }
}

}  // namespace
}  // namespace vt::profiles
