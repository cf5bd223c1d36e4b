#pragma once

// Backups of the board's 2048-byte info block, taken as read before anything
// erases it (profile writes, firmware updates). One folder per board serial,
// one file per backup named by the UTC time it was taken:
//   <root>/<serial>/YYYYmmdd-HHMMSS[-n].bin
// The default root is $XDG_DATA_HOME/velotrack/backups, or
// ~/.local/share/velotrack/backups; tests pass their own.

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt::profiles {

inline constexpr size_t kInfoBlockBackupSize = 2048;
using InfoBlockBytes = std::array<uint8_t, kInfoBlockBackupSize>;

// The default backup root; empty when neither $XDG_DATA_HOME nor $HOME is set.
std::filesystem::path DefaultBackupRoot();

// The folder name used for a board serial: characters other than letters,
// digits, '-', '_' and '.' become '_'; an empty or dot-only serial becomes
// "unknown".
std::string BackupFolderName(std::string_view serial);

struct BackupSaveResult {
  bool ok = false;
  std::filesystem::path path;  // the file written
  std::string error;           // why it failed
};

// Writes `block` (exactly 2048 bytes) as a new backup file taken at `when`
// (UTC seconds). Never overwrites: a second backup in the same second gets
// "-1", "-2", ... The data is flushed to disk before success is reported.
BackupSaveResult SaveInfoBlockBackup(const std::filesystem::path& root, std::string_view serial,
                                     std::span<const uint8_t> block, std::time_t when);
BackupSaveResult SaveInfoBlockBackup(const std::filesystem::path& root, std::string_view serial,
                                     std::span<const uint8_t> block);

struct BackupEntry {
  std::filesystem::path path;
  std::string name;  // file name without folder
};
// The backups of one board, oldest first (names sort by time).
std::vector<BackupEntry> ListInfoBlockBackups(const std::filesystem::path& root,
                                              std::string_view serial);

struct BackupLoadResult {
  std::optional<InfoBlockBytes> block;
  std::string error;
};
// Loads one backup; refused unless the file holds exactly 2048 bytes.
BackupLoadResult LoadInfoBlockBackup(const std::filesystem::path& file);

// Whether a loaded backup may go onto the board with serial `boardSerial`:
// its record chain must be whole (or the block all erased), and the board
// folder it lies in must be this board's. A backup from a board of another
// kind is always refused; one from another board of the same kind, or from
// outside a backup folder, only goes on with `force`.
struct BackupCheck {
  bool ok = false;
  std::string message;  // why not, or a note on what --force overrode
};
BackupCheck CheckBackupForBoard(const std::filesystem::path& file, const InfoBlockBytes& block,
                                std::string_view boardSerial, bool force);

}  // namespace vt::profiles
