#pragma once

// Backups of the board's 2048-byte info block, taken as read before anything
// erases it (profile writes, firmware updates). One folder per board serial,
// one file per backup named by the UTC time it was taken:
//   <root>/<serial>/YYYYmmdd-HHMMSS[-n].bin
// The default root is $XDG_DATA_HOME/velotrack/backups, or
// ~/.local/share/velotrack/backups; tests pass their own.
//
// A file holds the 2048 bytes as read, then a short text trailer saying
// where they came from and what they are:
//   VTBACKUP 1
//   kind=standard|ab|r
//   serial=<the board's serial, as its folder name spells it>
//   firmware=<series.minor.build, or empty when it could not be read>
//   condition=sound|erased|damaged[: what is damaged]
// Files of exactly 2048 bytes (written before the trailer existed) are read
// too; their board is then the folder's name. A file is written under a
// temporary name, flushed and only then given its name, so a backup that
// exists is whole.

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flash/info_block_damage.h"

namespace vt::profiles {

inline constexpr size_t kInfoBlockBackupSize = 2048;
using InfoBlockBytes = std::array<uint8_t, kInfoBlockBackupSize>;

// The default backup root; empty when neither $XDG_DATA_HOME nor $HOME is set.
std::filesystem::path DefaultBackupRoot();

// The folder name used for a board serial: characters other than letters,
// digits, '-', '_' and '.' become '_'; an empty or dot-only serial becomes
// "unknown".
std::string BackupFolderName(std::string_view serial);

// The board kind a serial names: 'R', 'A' (A and B boards) or 'S'.
char BoardKindOf(std::string_view serial);
// "an R-board", "an A/B-board", "a standard board".
const char* BoardKindName(char kind);

// The board a backup came from.
struct BackupOrigin {
  std::string serial;    // as the board presents it
  std::string firmware;  // "series.minor.build"; empty when unknown
};

struct BackupSaveResult {
  bool ok = false;
  std::filesystem::path path;  // the file written
  std::string error;           // why it failed
  flash::BlockCondition condition = flash::BlockCondition::kDamaged;  // what it holds
};

// Writes `block` (exactly 2048 bytes) as a new backup file taken at `when`
// (UTC seconds), marked with its origin and its condition. Never
// overwrites: a second backup in the same second gets "-1", "-2", ... The
// data is flushed to disk before the file gets its name.
BackupSaveResult SaveInfoBlockBackup(const std::filesystem::path& root, const BackupOrigin& origin,
                                     std::span<const uint8_t> block, std::time_t when);
BackupSaveResult SaveInfoBlockBackup(const std::filesystem::path& root, const BackupOrigin& origin,
                                     std::span<const uint8_t> block);
// The same without a firmware version.
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
  // From the file's trailer; nothing for a file in the old, bare form.
  std::optional<BackupOrigin> origin;
  // The block's condition as checked now (not as the file says).
  flash::InfoBlockCheck check;
};
// Loads one backup: 2048 bytes, followed by the trailer or by nothing.
BackupLoadResult LoadInfoBlockBackup(const std::filesystem::path& file);

// The newest backup of the board `serial` that holds a sound block, also
// searched among the folders of the same board under an earlier serial (a
// bootloader update may rewrite the serial's letters and version digits);
// empty when there is none. Erased and damaged copies are never offered.
std::filesystem::path NewestSoundBackup(const std::filesystem::path& root, std::string_view serial);

// What to tell a user whose board holds no usable settings block: the
// newest sound backup and the command that puts it back, or that none is
// kept under `root`.
std::string RestoreAdvice(const std::filesystem::path& root, std::string_view serial);

// Whether a loaded backup may go onto the board with serial `boardSerial`
// running firmware `boardFirmware` (empty when unknown): its block must be
// sound or all erased, and it must come from this board. The board it came
// from is the one its trailer names, else its folder's. A backup from a
// board of another kind is always refused; one from another board of the
// same kind, or from outside a backup folder, only goes on with `force`.
// A board is the same when its kind and its number (serial characters 2
// to 9, which updates keep) are; another firmware version is only noted.
struct BackupCheck {
  bool ok = false;
  std::string message;  // why not, or a note on what differs
};
BackupCheck CheckBackupForBoard(const std::filesystem::path& file, const BackupLoadResult& backup,
                                std::string_view boardSerial, std::string_view boardFirmware,
                                bool force);

}  // namespace vt::profiles
