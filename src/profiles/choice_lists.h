#pragma once

// The built-in choice lists: which codes a profile field may hold and the
// texts the selectors show for them. Lists named per camera are reached
// through the camera model table (camera_models.h); the others serve every
// camera and are named here directly.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vt::profiles {

struct ChoiceEntry {
  uint16_t code;
  std::string_view text;  // UTF-8
};

struct ChoiceList {
  std::string_view name;    // "ISO-A", "TV", "MODES", ...
  std::string_view suffix;  // appended when shown (see ShownChoiceText)
  std::span<const ChoiceEntry> entries;

  size_t size() const { return entries.size(); }
};

// The text a selector shows for `text` in a list with `suffix`: the suffix is
// appended when the text's first byte is 0x40 or lower (digits, space,
// punctuation), so "-140" becomes "-140°" while "None" stays as it is.
std::string ShownChoiceText(std::string_view text, std::string_view suffix);

// Position of the first entry with `code`; nothing when absent or not found.
std::optional<size_t> FindChoiceCode(const ChoiceList* list, uint16_t code);

// What a selector filled from `list` shows for `code`: the text of the first
// entry with that code, else of entry 0 (the selector falls back to its first
// item), without suffix; empty for an absent or empty list.
std::string_view SelectedChoiceText(const ChoiceList* list, uint16_t code);

// Per-camera lists.
extern const ChoiceList kIsoA, kIsoB, kIsoC;
extern const ChoiceList kProgramA, kProgramB, kProgramC, kProgramD;
extern const ChoiceList kFocusA, kFocusB;
extern const ChoiceList kZoomA, kZoomB, kZoomC, kZoomD, kZoomE;
extern const ChoiceList kControlMethod1, kControlMethod2, kControlMethod3, kControlMethod4,
    kControlMethod5, kControlMethod6, kControlMethod7, kControlMethod8, kControlMethod9,
    kControlMethod10, kControlMethod11, kControlMethod12, kControlMethod13;
extern const ChoiceList kWhiteBalanceA, kWhiteBalanceB;
extern const ChoiceList kImageSizeA, kImageSizeB;
extern const ChoiceList kQualityA, kQualityB;
// Lists shared by every camera with the matching selector.
extern const ChoiceList kTvList;      // "TV": 54 shutter times
extern const ChoiceList kAvList;      // "AV"
extern const ChoiceList kModesList;   // "MODES": control modes
// Lists independent of the camera.
extern const ChoiceList kShotsList;       // total shots
extern const ChoiceList kIntervalList;    // interval
extern const ChoiceList kStartupList;     // action startup delay
extern const ChoiceList kBatteryList;     // battery cutoff voltage
extern const ChoiceList kNShotsList;      // number of shots at stop
extern const ChoiceList kDelaysList;      // delay before / after, suffix " s"
extern const ChoiceList kAnglesList;      // finger servo, suffix "°"
extern const ChoiceList kPauseList;       // pause

// Every list above, for lookups by name and for tests.
std::span<const ChoiceList* const> AllChoiceLists();
const ChoiceList* FindChoiceList(std::string_view name);

// Control method codes; the same code means the same method in every list.
namespace method {
inline constexpr uint16_t kUsbPtp = 1;
inline constexpr uint16_t kIr = 2;
inline constexpr uint16_t kServoCh2 = 3;
inline constexpr uint16_t kUsbChdk = 4;
inline constexpr uint16_t kUsbCa1 = 5;
inline constexpr uint16_t kPortE3 = 6;
inline constexpr uint16_t kPortVt = 7;
inline constexpr uint16_t kPortE3A = 8;
inline constexpr uint16_t kServoCh3 = 9;
inline constexpr uint16_t kUsbChdkPlus = 10;
inline constexpr uint16_t kUsbCa1V = 11;
}  // namespace method

}  // namespace vt::profiles
