#include "profiles/profile_file_check.h"

#include <system_error>

#include "platform/file_io.h"
#include "profiles/choice_lists.h"
#include "profiles/profile_file.h"
#include "profiles/profile_model.h"
#include "profiles/profile_text_fields.h"
#include "profiles/profile_text_internal.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

constexpr size_t kAllSetsFileBytes = kProfileFileHeaderSize + kProfileCount * kRecordSize;
constexpr size_t kOneSetFileBytes = kProfileFileHeaderSize + kRecordSize;

// The value a selector field holds is one the page can show: a code of its
// list, or, where the page has no list for the record's camera, what the
// page stores for an empty selector (0xFFFF; 0 for the zoom).
bool SelectorValueKept(const TextField& f, uint16_t value, const TextContext& c) {
  if (f.kind == TextFieldKind::kCamera) {
    return static_cast<uint16_t>(CameraOfCode(static_cast<int16_t>(value)).code) == value;
  }
  const ChoiceList* list = ListOf(f, c);
  if (list == nullptr || list->size() == 0) return value == 0xFFFF || value == 0;
  return FindChoiceCode(list, value).has_value();
}

std::string CheckRecord(const StoredRecord& r, const std::string& set) {
  TextContext context;
  context.camera = RecordU16(r, kCameraOffset);
  context.controlMode = RecordU16(r, text_form::kControlModeOffset);
  for (const TextField& f : TextFields()) {
    if (f.kind != TextFieldKind::kCamera && f.kind != TextFieldKind::kCameraList &&
        f.kind != TextFieldKind::kFixedList && f.kind != TextFieldKind::kZoom) {
      continue;
    }
    const uint16_t value = text_form::FieldValue(r, f);
    if (!SelectorValueKept(f, value, context)) {
      return set + "." + std::string(f.key) + ": " + std::to_string(value) +
             " is not one of the values the page offers";
    }
  }
  return {};
}

}  // namespace

std::string CheckProfileFileBytes(std::span<const uint8_t> bytes) {
  const ProfileFileParse parsed = ParseProfileFile(bytes);
  if (!parsed.file) {
    if (parsed.error == ProfileFileError::kBadMagic) return "not a profile file (it does not start with \"VT\")";
    return std::to_string(bytes.size()) + " bytes: too short for a profile file";
  }
  const ProfileFile& file = *parsed.file;
  const bool all = file.kind == static_cast<uint8_t>(ProfileFileKind::kAllProfiles);
  if (!all && file.kind != static_cast<uint8_t>(ProfileFileKind::kOneProfile)) {
    return "kind byte " + std::to_string(file.kind) + " is neither '0' (all sets) nor '1' (one set)";
  }
  const size_t expected = all ? kAllSetsFileBytes : kOneSetFileBytes;
  if (bytes.size() != expected) {
    return std::to_string(bytes.size()) + " bytes; a file of " + (all ? "all sets" : "one set") + " is " +
           std::to_string(expected) + " bytes";
  }
  for (size_t i = 0; i < file.records.size(); ++i) {
    const std::string set = all ? "set" + std::to_string(i + 1) : std::string("set");
    if (std::string why = CheckRecord(file.records[i], set); !why.empty()) return why;
  }
  return {};
}

ProfileBytesResult ReadCheckedProfileFile(const std::filesystem::path& path) {
  if (IsProfileTextPath(path)) return ReadProfileFileAnyForm(path);
  ProfileBytesResult result;
  // One byte more than the largest file tells a longer file from a whole one.
  auto read = platform::ReadRegularFile(path, kAllSetsFileBytes + 1, platform::SizeRule::kFirstBytes);
  if (!read.ok()) {
    result.error = read.message;
    return result;
  }
  std::string why;
  if (read.bytes.size() > kAllSetsFileBytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    why = (ec ? std::string("more than ") + std::to_string(kAllSetsFileBytes) : std::to_string(size)) +
          " bytes: larger than any profile file (" + std::to_string(kAllSetsFileBytes) + " bytes for all sets, " +
          std::to_string(kOneSetFileBytes) + " for one)";
  } else {
    why = CheckProfileFileBytes(read.bytes);
  }
  if (!why.empty()) {
    result.error = platform::PathToUtf8(path) + ": " + why;
    return result;
  }
  result.bytes = std::move(read.bytes);
  return result;
}

}  // namespace vt::profiles
