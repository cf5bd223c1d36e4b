#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>

namespace vt::platform {

enum class NewFileResult { kWritten, kExists, kFailed };

// Creates `path` only if nothing is there yet, holding `bytes`: they are
// written to a temporary file beside it and flushed to disk, and only then
// does the file get its name (and the folder entry is flushed). So `path`
// never exists half-written, whatever stops the program. An existing file
// is never touched (kExists); on failure nothing is left (kFailed, with the
// reason in *error).
NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error);

// The two halves of WriteNewFile. WriteTempBeside writes and flushes a new
// temporary file in `path`'s folder, named ".<name>.tmp-<unique>", and
// returns its path (empty on failure). PublishNewFile gives it the name
// `path` unless something is there already; the temporary file is gone
// afterwards in every case.
std::filesystem::path WriteTempBeside(const std::filesystem::path& path,
                                      std::span<const uint8_t> bytes, std::string* error);
NewFileResult PublishNewFile(const std::filesystem::path& temp, const std::filesystem::path& path,
                             std::string* error);

// Flushes a folder's entries to disk, so that a file just given its name
// there keeps it after a power cut. Some file systems refuse this for
// folders; the rename stands either way. Nothing to do on Windows.
void SyncFolder(const std::filesystem::path& folder);

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
