#pragma once

// Profile files as text a person reads, edits and keeps in version control:
// TOML with the file's header (kind, board serial, firmware version) and
// one table per set, one key per setting with the text its page shows.
// Converting a profile file to text and back gives the identical bytes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/profile_model.h"

namespace vt::profiles {

inline constexpr std::string_view kProfileTextExtension = ".toml";
inline constexpr std::string_view kProfileTextFilterName = "Profile text";
inline constexpr std::string_view kProfileTextFilterPattern = "*.toml";
// Text files are small; anything much larger is not one.
inline constexpr size_t kProfileTextReadLimit = 256 * 1024;

// True when the path names the text form (by its extension).
bool IsProfileTextPath(const std::filesystem::path& path);

struct ProfileTextResult {
  std::optional<std::string> text;
  std::string error;  // one line when text is empty
};
// The text of a profile file (the bytes ParseProfileFile accepts).
ProfileTextResult ProfileFileToText(std::span<const uint8_t> fileBytes);

struct ProfileBytesResult {
  std::optional<std::vector<uint8_t>> bytes;
  std::string error;  // "FILE:LINE: key: reason; allowed: ..." when bytes is empty
};
// The profile file a text stands for. Every value is checked against the
// lists and ranges of the settings pages; `fileName` names the file in
// error messages.
ProfileBytesResult ProfileTextToFile(std::string_view text, const std::string& fileName);

// Reads a profile file in either form and gives the binary file's bytes.
ProfileBytesResult ReadProfileFileAnyForm(const std::filesystem::path& path);
// Writes a profile file's bytes in the form the path's extension names,
// replacing the file atomically. Empty on success, else the reason.
std::string WriteProfileFileAnyForm(const std::filesystem::path& path, std::span<const uint8_t> fileBytes);

// Bytes of a stored record that no setting uses (they pass through).
std::span<const uint8_t> UnusedRecordOffsets();

}  // namespace vt::profiles
