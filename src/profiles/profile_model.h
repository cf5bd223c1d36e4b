#pragma once

// The profile data model: the 80-byte stored profile record the board keeps
// in its info block (and profile files carry), the 151-word profile word
// table the settings pages edit, and the conversions between the two.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vt::profiles {

inline constexpr int kProfileCount = 7;                 // "Set #1" .. "Set #7"
inline constexpr size_t kRecordSize = 80;               // one stored record
inline constexpr size_t kWordsPerProfile = 151;         // one word table
inline constexpr size_t kProfileRecordsBytes = kProfileCount * kRecordSize;  // 560

using StoredRecord = std::array<uint8_t, kRecordSize>;
using WordTable = std::array<uint16_t, kWordsPerProfile>;
// All seven word tables in one array: profile n's table starts at word
// (n - 1) * 151 of the contiguous storage.
using WordTables = std::array<WordTable, kProfileCount>;
static_assert(sizeof(WordTables) == kProfileCount * kWordsPerProfile * sizeof(uint16_t),
              "the seven tables must be one contiguous array of words");
// Seven stored records one after another, as in the info block's profile
// image and in an all-profiles file body.
using ProfileRecordsBytes = std::array<uint8_t, kProfileRecordsBytes>;

// Indices of the used words of a profile word table. Every other word is
// unused and left alone by the conversions.
namespace word {
inline constexpr uint8_t kCamera = 0;          // signed camera model code
inline constexpr uint8_t kProgram = 1;
inline constexpr uint8_t kControlMethod = 2;
inline constexpr uint8_t kFocus = 4;
inline constexpr uint8_t kControlMode = 5;
inline constexpr uint8_t kTv = 6;
inline constexpr uint8_t kAv = 7;
inline constexpr uint8_t kIso = 8;
inline constexpr uint8_t kZoom = 9;            // position in the camera's zoom list
inline constexpr uint8_t kTotalShots = 10;
inline constexpr uint8_t kInterval = 11;
inline constexpr uint8_t kOptions = 13;        // option bits, see kOption*
inline constexpr uint8_t kWhiteBalance = 14;
inline constexpr uint8_t kImageSize = 15;
inline constexpr uint8_t kQuality = 16;
inline constexpr uint8_t kPanNextPosition = 17;
inline constexpr uint8_t kPanApplyTime = 18;
inline constexpr uint8_t kTiltPosition1 = 19;  // #1..#5 are words 19..23
inline constexpr uint8_t kTiltPosition5 = 23;
inline constexpr uint8_t kFingerIdle = 24;
inline constexpr uint8_t kFingerHalfPush = 25;
inline constexpr uint8_t kFingerFullPush = 26;
inline constexpr uint8_t kShotsAtStop = 27;
inline constexpr uint8_t kDelayBefore = 28;
inline constexpr uint8_t kDelayAfter = 29;
inline constexpr uint8_t kBatteryCutoff = 30;
inline constexpr uint8_t kStartupDelay = 31;
inline constexpr uint8_t kDefaultProfile = 32; // profile 1's table only: 0..6
inline constexpr uint8_t kPanStartPosition = 33;
inline constexpr uint8_t kPanTotalSteps = 34;
inline constexpr uint8_t kTiltApplyTime = 37;
inline constexpr uint8_t kPause = 38;
inline constexpr uint8_t kServoUnits = 116;    // profile 1's table only
}  // namespace word

// Option bits of word 13. Bits 0, 1 and 8-15 carry board data this panel does
// not edit; they pass through load and store unchanged.
inline constexpr uint16_t kOption360 = 1u << 2;
inline constexpr uint16_t kOptionLiveview = 1u << 3;
inline constexpr uint16_t kOptionLensOffIdle = 1u << 4;
inline constexpr uint16_t kOptionOpenLensAtShoot = 1u << 5;
inline constexpr uint16_t kOptionWaitChannel0 = 1u << 6;
inline constexpr uint16_t kOptionFullAuto = 1u << 7;
// Check box text of option bit `bit` (2..7); empty for any other bit.
std::string_view OptionBitText(unsigned bit);

// Servo units (word 116 of profile 1): how servo positions are shown.
inline constexpr uint16_t kServoUnitsMilliseconds = 0;
inline constexpr uint16_t kServoUnitsDegrees = 16;

// Control modes whose pan starting position counts in 5 us steps.
inline bool IsSPatternMode(uint16_t controlMode) { return controlMode == 29 || controlMode == 38; }

// "LEDs: R - - G" .. "LEDs: R R R G": the board's LEDs for profile 1..7;
// empty for any other number.
std::string_view LedLineText(int profileNumber);

// One field of the stored record and the word it belongs to.
struct RecordField {
  uint8_t offset;  // byte offset in the record
  uint8_t bytes;   // 2 = 16-bit little-endian, 1 = byte (low 8 bits of the word)
  uint8_t word;    // word index in the profile word table
};
// Every word-backed field of the record (the header word excepted), in the
// order a record is loaded: the 16-bit fields, then the byte fields. The zoom
// field (word 9) holds a zoom code in the record and a list position in the
// table; the conversions translate it through the camera's zoom list.
std::span<const RecordField> RecordFields();
// The record field of word `w`; nothing for the header words and unused words.
std::optional<RecordField> RecordFieldOfWord(uint8_t w);

inline constexpr size_t kHeaderOffset = 0;
inline constexpr size_t kCameraOffset = 4;
inline constexpr size_t kZoomOffset = 22;

// Little-endian access to the record's 16-bit fields.
uint16_t RecordU16(const StoredRecord& r, size_t offset);
void SetRecordU16(StoredRecord& r, size_t offset, uint16_t v);

// Header word of profile `profileNumber`'s record. Profile 1: high byte =
// default profile (bits 0-3) OR servo units (bits 4-7), low byte 0; profiles
// 2..7: the profile number.
uint16_t RecordHeaderOf(const WordTable& words, int profileNumber);

// Record to word table for profile 1..7: sets every word the record defines
// and leaves all other words as they are. For profile 1 the header also gives
// word 32 (default profile) and word 116 (servo units); other profiles'
// headers are ignored. The zoom code becomes a position in the zoom list of
// the record's camera (0 when the camera or the code is unknown).
void LoadRecordIntoWords(const StoredRecord& record, int profileNumber, WordTable& words);
WordTable RecordToWords(const StoredRecord& record, int profileNumber);

// Word table to record for profile 1..7; reserved bytes are 0 and the zoom
// position goes back to the code of the camera's zoom list.
StoredRecord WordsToRecord(const WordTable& words, int profileNumber);

// The data side of storing the editor's profiles: the seven records rebuilt
// from the seven word tables, one after another.
ProfileRecordsBytes StoreEditorProfiles(const WordTables& tables);

// Record n (0..6) of a seven-record image; nothing for an index outside it.
std::optional<StoredRecord> RecordAt(std::span<const uint8_t> records, int profileIndex);

// The image the editor loads when the board has no profile record: zero
// bytes with camera code -1 ("- Not Selected -") in each of the seven records.
ProfileRecordsBytes FallbackProfileRecords();

}  // namespace vt::profiles
