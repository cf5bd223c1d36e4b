#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>

namespace vt::platform {

enum class NewFileResult { kWritten, kExists, kFailed };

// Creates `path` only if nothing is there yet, writes `bytes` and flushes
// them (and the folder entry) to disk. An existing file is never touched
// (kExists); a half-written new file is removed again (kFailed, with the
// reason in *error).
NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error);

// Where the panel keeps its backups for this user: under the XDG data folder
// on Linux, under %LOCALAPPDATA%\Velotrack on Windows. Empty when the
// environment names no such folder.
std::filesystem::path UserBackupRoot();
// That folder as the help texts name it: "%LOCALAPPDATA%\Velotrack\backups"
// on Windows, "$XDG_DATA_HOME/velotrack/backups" elsewhere.
const char* UserBackupRootText();

// `when` as UTC calendar time; false when it cannot be represented.
bool UtcTime(std::time_t when, std::tm* out);

}  // namespace vt::platform
