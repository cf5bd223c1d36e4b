#pragma once

// Reading and changing single settings of a profile file by the dotted keys
// of its text form ("set3.interval", "set.zoom" in a one-set file,
// "serial"). A change goes through the text form's reader, so a value is
// taken only when the settings page would take it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt::profiles {

// One value as the text form holds it.
struct TextValue {
  enum class Kind : uint8_t { kText, kNumber, kBool };
  std::string key;   // the full dotted key
  Kind kind = Kind::kText;
  std::string text;  // the text itself, the number in decimal, "true"/"false"
};

struct TextGetResult {
  std::vector<TextValue> values;
  std::string error;  // "KEY: reason" when values is empty
};
// The values of `keys` in the file's text form. A key naming a table
// ("set3") gives every value of that table in the order the text writes
// them. "set.3.interval" is taken for "set3.interval".
TextGetResult GetProfileTextValues(std::span<const uint8_t> fileBytes, const std::vector<std::string>& keys);

struct TextSetResult {
  std::optional<std::vector<uint8_t>> bytes;
  std::string error;  // "KEY: reason; allowed: ..." when bytes is empty
};
// The file with each "KEY=VALUE" of `assignments` applied. VALUE is the text
// the page shows ("10 sec"), "raw:N" for the stored number N in the field's
// range, or true/false for a check box. A bare number is taken only as one
// of the field's texts; the refusal lists them and names raw:N. (A text
// file itself keeps its syntax: a raw number there is a TOML integer.)
// Only the settings inside the sets change;
// every value is checked again with the others, so a camera model whose
// lists no longer hold another setting's text is refused naming that
// setting (give it in the same call). The servo positions keep their
// stored values when the units or the control mode change, as on the page.
TextSetResult SetProfileTextValues(std::span<const uint8_t> fileBytes, const std::vector<std::string>& assignments);

// "set3.interval" for "set.3.interval"; other keys as they are.
std::string NormaliseTextKey(std::string_view key);

// The value as the text form writes it: text as a quoted TOML string,
// numbers and true/false as they are.
std::string TextValueLiteral(const TextValue& value);

}  // namespace vt::profiles
