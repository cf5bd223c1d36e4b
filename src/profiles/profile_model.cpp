#include "profiles/profile_model.h"

#include <algorithm>

#include "profiles/camera_models.h"

namespace vt::profiles {
namespace {

// Record layout: 16-bit fields first, then byte fields, each in the order a
// record is loaded into the editor.
constexpr RecordField kFields[] = {
    {6, 2, word::kControlMethod}, {14, 2, word::kProgram},      {18, 2, word::kAv},
    {16, 2, word::kTv},           {20, 2, word::kFocus},        {12, 2, word::kIso},
    {32, 2, word::kOptions},      {8, 2, word::kControlMode},   {34, 2, word::kWhiteBalance},
    {24, 2, word::kImageSize},    {26, 2, word::kQuality},      {22, 2, word::kZoom},
    {28, 2, word::kTotalShots},   {30, 2, word::kInterval},
    {36, 1, word::kPanNextPosition}, {37, 1, word::kPanApplyTime},
    {52, 1, word::kPanStartPosition}, {53, 1, word::kPanTotalSteps},
    {38, 1, 19}, {39, 1, 20}, {40, 1, 21}, {41, 1, 22}, {50, 1, word::kTiltPosition5},
    {51, 1, word::kTiltApplyTime},
    {42, 1, word::kFingerIdle},   {43, 1, word::kFingerHalfPush}, {44, 1, word::kFingerFullPush},
    {45, 1, word::kShotsAtStop},  {46, 1, word::kDelayBefore},  {47, 1, word::kDelayAfter},
    {48, 1, word::kBatteryCutoff}, {49, 1, word::kStartupDelay}, {54, 1, word::kPause},
};

constexpr std::string_view kOptionTexts[] = {
    "360\u00B0",
    "Liveview on LCD (disables video out in Canon PS cameras)",
    "Lens and video off after 3 min idle until user involve (saves camera's battery)",
    "Open lens only at shoot command (saves camera's battery during idle)",
    "Wait Channel0 or button event before open lens (green LED blinks when waiting)",
    "Full automatic shooting, ignores manual settings (lens opens only at shoot)",
};

constexpr std::string_view kLedLines[] = {
    "LEDs: R - - G", "LEDs: - R - G", "LEDs: R R - G", "LEDs: - - R G",
    "LEDs: R - R G", "LEDs: - R R G", "LEDs: R R R G",
};

const ChoiceList* ZoomListOfCamera(uint16_t cameraWord) {
  return CameraOfCode(static_cast<int16_t>(cameraWord)).zoom;
}

}  // namespace

std::string_view OptionBitText(unsigned bit) {
  if (bit < 2 || bit > 7) return {};
  return kOptionTexts[bit - 2];
}

std::string_view LedLineText(int profileNumber) {
  if (profileNumber < 1 || profileNumber > kProfileCount) return {};
  return kLedLines[profileNumber - 1];
}

std::span<const RecordField> RecordFields() { return kFields; }

std::optional<RecordField> RecordFieldOfWord(uint8_t w) {
  if (w == word::kCamera) return RecordField{kCameraOffset, 2, word::kCamera};
  for (const RecordField& f : kFields) {
    if (f.word == w) return f;
  }
  return std::nullopt;
}

uint16_t RecordU16(const StoredRecord& r, size_t offset) {
  return static_cast<uint16_t>(r[offset] | (r[offset + 1] << 8));
}

void SetRecordU16(StoredRecord& r, size_t offset, uint16_t v) {
  r[offset] = static_cast<uint8_t>(v & 0xFF);
  r[offset + 1] = static_cast<uint8_t>(v >> 8);
}

uint16_t RecordHeaderOf(const WordTable& words, int profileNumber) {
  if (profileNumber == 1) {
    return static_cast<uint16_t>((words[word::kDefaultProfile] | words[word::kServoUnits]) << 8);
  }
  return static_cast<uint16_t>(profileNumber);
}

void LoadRecordIntoWords(const StoredRecord& record, int profileNumber, WordTable& words) {
  const uint16_t camera = RecordU16(record, kCameraOffset);
  if (profileNumber == 1) {
    const uint16_t high = static_cast<uint16_t>(RecordU16(record, kHeaderOffset) >> 8);
    words[word::kDefaultProfile] = high & 0x0F;
    words[word::kServoUnits] = high & 0xF0;
  }
  words[word::kCamera] = camera;
  for (const RecordField& f : kFields) {
    if (f.word == word::kZoom) {
      const size_t position = ZoomPositionOfCode(ZoomListOfCamera(camera), RecordU16(record, f.offset));
      words[f.word] = static_cast<uint16_t>(position);
    } else if (f.bytes == 2) {
      words[f.word] = RecordU16(record, f.offset);
    } else {
      words[f.word] = record[f.offset];
    }
  }
}

WordTable RecordToWords(const StoredRecord& record, int profileNumber) {
  WordTable words{};
  LoadRecordIntoWords(record, profileNumber, words);
  return words;
}

StoredRecord WordsToRecord(const WordTable& words, int profileNumber) {
  StoredRecord record{};
  SetRecordU16(record, kHeaderOffset, RecordHeaderOf(words, profileNumber));
  SetRecordU16(record, kCameraOffset, words[word::kCamera]);
  for (const RecordField& f : kFields) {
    if (f.word == word::kZoom) {
      SetRecordU16(record, f.offset,
                   ZoomCodeOfPosition(ZoomListOfCamera(words[word::kCamera]), words[f.word]));
    } else if (f.bytes == 2) {
      SetRecordU16(record, f.offset, words[f.word]);
    } else {
      record[f.offset] = static_cast<uint8_t>(words[f.word] & 0xFF);
    }
  }
  return record;
}

ProfileRecordsBytes StoreEditorProfiles(const WordTables& tables) {
  ProfileRecordsBytes out{};
  for (int i = 0; i < kProfileCount; ++i) {
    const StoredRecord r = WordsToRecord(tables[static_cast<size_t>(i)], i + 1);
    std::copy(r.begin(), r.end(), out.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize));
  }
  return out;
}

std::optional<StoredRecord> RecordAt(std::span<const uint8_t> records, int profileIndex) {
  if (profileIndex < 0 || profileIndex >= kProfileCount) return std::nullopt;
  const size_t start = static_cast<size_t>(profileIndex) * kRecordSize;
  if (records.size() < start + kRecordSize) return std::nullopt;
  StoredRecord r{};
  std::copy_n(records.begin() + static_cast<std::ptrdiff_t>(start), kRecordSize, r.begin());
  return r;
}

ProfileRecordsBytes FallbackProfileRecords() {
  ProfileRecordsBytes out{};
  for (size_t i = 0; i < static_cast<size_t>(kProfileCount); ++i) {
    out[i * kRecordSize + kCameraOffset] = 0xFF;
    out[i * kRecordSize + kCameraOffset + 1] = 0xFF;
  }
  return out;
}

}  // namespace vt::profiles
