#pragma once

// Pieces the text form's writer and reader share.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "profiles/profile_model.h"
#include "profiles/profile_text_fields.h"

namespace vt::profiles::text_form {

inline constexpr std::string_view kAllSetsKind = "all sets";
inline constexpr std::string_view kOneSetKind = "one set";
// The option bits the check boxes edit; the others pass through.
inline constexpr uint16_t kEditedOptionBits = 0x00FC;
inline constexpr size_t kControlModeOffset = 8;
inline constexpr size_t kOptionsOffset = 32;

// A TOML basic string of `text`.
std::string Quote(std::string_view text);

// The main window's default profile ("#1".."#7" for 0..6) and servo units
// menu items ("Milliseconds", "Degrees, Gear ratio 1:1").
std::optional<std::string> DefaultProfileText(unsigned index);
std::optional<unsigned> DefaultProfileIndex(std::string_view text);
std::optional<std::string> ServoUnitsText(unsigned units);
std::optional<unsigned> ServoUnitsValue(std::string_view text);
// Servo labels of a file follow the units in its first record's header.
bool DegreesOf(const StoredRecord& first);

// The serial (32 bytes UTF-16LE) and version (12 bytes) fields of a file
// header as plain text, when they are plain text padded with zeros; and back.
std::optional<std::string> SerialText(std::span<const uint8_t> bytes);
std::optional<std::string> VersionText(std::span<const uint8_t> bytes);
bool SerialBytes(std::string_view text, std::span<uint8_t> out);
bool VersionBytes(std::string_view text, std::span<uint8_t> out);

uint16_t FieldValue(const StoredRecord& r, const TextField& f);
void SetFieldValue(StoredRecord& r, const TextField& f, uint16_t value);

}  // namespace vt::profiles::text_form
