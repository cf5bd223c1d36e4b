#pragma once

// The camera model table: every camera the board can drive, its code as
// stored in the profile record, and the choice lists its selectors offer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "profiles/choice_lists.h"

namespace vt::profiles {

struct CameraModel {
  int16_t code;           // stored in the record, understood by the board
  std::string_view name;  // at most 37 characters
  // Choice lists of the camera's selectors; null leaves a selector empty.
  const ChoiceList* iso;
  const ChoiceList* program;
  const ChoiceList* tv;
  const ChoiceList* av;
  const ChoiceList* focus;
  const ChoiceList* zoom;
  const ChoiceList* controlMethod;
  const ChoiceList* controlMode;
  const ChoiceList* whiteBalance;
  const ChoiceList* imageSize;
  const ChoiceList* quality;
};

inline constexpr int16_t kCameraNotSelected = -1;  // "- Not Selected -", entry 0

// All camera models in selector order; entry 0 is "- Not Selected -".
std::span<const CameraModel> CameraModels();

// Position of the first camera entry with `code`; 0 ("- Not Selected -")
// when no entry has it.
size_t CameraIndexOfCode(int16_t code);
const CameraModel& CameraOfCode(int16_t code);

// Position of the first entry of the zoom list with `code`; 0 when the list
// is absent or lacks the code.
size_t ZoomPositionOfCode(const ChoiceList* zoomList, uint16_t code);
// Code of the entry at `position`; 0 when the list is absent or the position
// lies past its end.
uint16_t ZoomCodeOfPosition(const ChoiceList* zoomList, size_t position);

}  // namespace vt::profiles
