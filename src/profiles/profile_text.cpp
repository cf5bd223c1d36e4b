#include "profiles/profile_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_io.h"
#include "profiles/profile_file.h"
#include "profiles/profile_text_internal.h"
#include "profiles/value_labels.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

constexpr uint8_t kUnusedOffsets[] = {2,  3,  10, 11, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64,
                                      65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79};

bool Printable(unsigned c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

namespace text_form {

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::optional<std::string> DefaultProfileText(unsigned index) {
  if (index >= static_cast<unsigned>(kProfileCount)) return std::nullopt;
  return "#" + std::to_string(index + 1);
}

std::optional<unsigned> DefaultProfileIndex(std::string_view text) {
  for (unsigned i = 0; i < static_cast<unsigned>(kProfileCount); ++i) {
    if (*DefaultProfileText(i) == text) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ServoUnitsText(unsigned units) {
  if (units == kServoUnitsMilliseconds) return "Milliseconds";
  if (units == kServoUnitsDegrees) return "Degrees, Gear ratio 1:1";
  return std::nullopt;
}

std::optional<unsigned> ServoUnitsValue(std::string_view text) {
  for (unsigned units : {kServoUnitsMilliseconds, kServoUnitsDegrees}) {
    if (*ServoUnitsText(units) == text) return units;
  }
  return std::nullopt;
}

bool DegreesOf(const StoredRecord& first) {
  return UnitsAreDegrees(static_cast<uint16_t>((RecordU16(first, kHeaderOffset) >> 8) & 0xF0));
}

std::optional<std::string> SerialText(std::span<const uint8_t> bytes) {
  std::string text;
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const unsigned c = bytes[i] | (bytes[i + 1] << 8);
    if (c == 0) break;
    if (!Printable(c)) return std::nullopt;
    text += static_cast<char>(c);
  }
  if (!std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(i, bytes.size())), bytes.end(),
                   [](uint8_t b) { return b == 0; })) {
    return std::nullopt;
  }
  return text;
}

std::optional<std::string> VersionText(std::span<const uint8_t> bytes) {
  std::string text;
  size_t i = 0;
  for (; i < bytes.size() && bytes[i] != 0; ++i) {
    if (!Printable(bytes[i])) return std::nullopt;
    text += static_cast<char>(bytes[i]);
  }
  // Zero-terminated: a text filling the whole field is not what a writer makes.
  if (i == bytes.size()) return std::nullopt;
  if (!std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end(), [](uint8_t b) { return b == 0; })) {
    return std::nullopt;
  }
  return text;
}

bool SerialBytes(std::string_view text, std::span<uint8_t> out) {
  if (text.size() * 2 > out.size()) return false;
  std::fill(out.begin(), out.end(), uint8_t{0});
  for (size_t i = 0; i < text.size(); ++i) {
    if (!Printable(static_cast<unsigned char>(text[i]))) return false;
    out[i * 2] = static_cast<uint8_t>(text[i]);
  }
  return true;
}

bool VersionBytes(std::string_view text, std::span<uint8_t> out) {
  if (text.size() >= out.size()) return false;
  std::fill(out.begin(), out.end(), uint8_t{0});
  for (size_t i = 0; i < text.size(); ++i) {
    if (!Printable(static_cast<unsigned char>(text[i]))) return false;
    out[i] = static_cast<uint8_t>(text[i]);
  }
  return true;
}

uint16_t FieldValue(const StoredRecord& r, const TextField& f) {
  const uint16_t raw = f.bytes == 2 ? RecordU16(r, f.offset) : r[f.offset];
  if (f.kind == TextFieldKind::kOptionBit) return (raw >> f.bit) & 1u;
  return raw;
}

void SetFieldValue(StoredRecord& r, const TextField& f, uint16_t value) {
  if (f.kind == TextFieldKind::kOptionBit) {
    uint16_t raw = RecordU16(r, f.offset);
    raw = static_cast<uint16_t>(value != 0 ? raw | (1u << f.bit) : raw & ~(1u << f.bit));
    SetRecordU16(r, f.offset, raw);
  } else if (f.bytes == 2) {
    SetRecordU16(r, f.offset, value);
  } else {
    r[f.offset] = static_cast<uint8_t>(value);
  }
}

}  // namespace text_form

std::span<const uint8_t> UnusedRecordOffsets() { return kUnusedOffsets; }

bool IsProfileTextPath(const std::filesystem::path& path) {
  std::string ext = platform::PathToUtf8(path.extension());
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == kProfileTextExtension;
}

ProfileBytesResult ReadProfileFileAnyForm(const std::filesystem::path& path) {
  ProfileBytesResult result;
  if (!IsProfileTextPath(path)) {
    result.bytes = ReadProfileFileBytes(path, &result.error);
    return result;
  }
  const auto read = platform::ReadRegularFile(path, kProfileTextReadLimit);
  if (!read.ok()) {
    result.error = read.message;
    return result;
  }
  return ProfileTextToFile(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()),
                           platform::PathToUtf8(path));
}

std::string WriteProfileFileAnyForm(const std::filesystem::path& path, std::span<const uint8_t> fileBytes) {
  std::string error;
  if (!IsProfileTextPath(path)) {
    if (!WriteProfileFileBytes(path, fileBytes, &error) && error.empty()) error = platform::PathToUtf8(path) + ": not written";
    return error;
  }
  const ProfileTextResult text = ProfileFileToText(fileBytes);
  if (!text.text) return text.error;
  const auto written = platform::WriteFileAtomically(path, std::string_view(*text.text));
  return written.ok() ? std::string() : written.message;
}

}  // namespace vt::profiles
