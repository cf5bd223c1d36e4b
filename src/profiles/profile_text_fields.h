#pragma once

// The fields of a stored profile record as the text form names and writes
// them: one key per setting, named after its caption on the settings page,
// and the text the page shows for each value. A value is written as text
// only when that text reads back as the same value; otherwise the text form
// holds the raw number.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/camera_models.h"

namespace vt::profiles {

enum class TextFieldKind : uint8_t {
  kCamera,      // camera model name
  kCameraList,  // a selector filled from the camera's list
  kFixedList,   // a selector filled from a list every camera shares
  kZoom,        // the zoom label: the camera's zoom list entry with "x"
  kServo,       // a servo or timing track bar's label
  kOptionBit,   // a check box: one bit of the options word
};

struct TextField {
  std::string_view key;
  TextFieldKind kind;
  uint8_t offset;  // in the stored record
  uint8_t bytes;   // 1 or 2
  uint8_t word;    // the word the field loads into (servo label choice)
  const ChoiceList* list = nullptr;                      // kFixedList
  const ChoiceList* CameraModel::*cameraList = nullptr;  // kCameraList
  uint8_t bit = 0;                                       // kOptionBit
};

// Every field in page order: camera settings first, the servo labels and the
// check boxes last.
std::span<const TextField> TextFields();
const TextField* FindTextField(std::string_view key);

// What a field's texts depend on: the record's camera and control mode and
// the servo units of the file.
struct TextContext {
  uint16_t camera = 0xFFFF;
  uint16_t controlMode = 0;
  bool degrees = false;
};

// The list a selector field (camera list, fixed list, zoom) shows for the
// context; nothing for the other fields and for a camera without the list.
const ChoiceList* ListOf(const TextField& f, const TextContext& c);

// The largest raw value a field holds.
inline uint32_t MaxRawValue(const TextField& f) { return f.bytes == 1 ? 0xFFu : 0xFFFFu; }

// The text of `value`; nothing when the value has no text of its own (a
// code missing from the list, or a label several values share and another
// value reads back from).
std::optional<std::string> ValueText(const TextField& f, uint16_t value, const TextContext& c);
// The value a text stands for; nothing when it is not one of the texts.
std::optional<uint16_t> ValueOfText(const TextField& f, std::string_view text, const TextContext& c);
// The texts a field accepts, for error messages: every list entry, or the
// first and last labels of a track bar.
std::string AllowedTexts(const TextField& f, const TextContext& c);

}  // namespace vt::profiles
