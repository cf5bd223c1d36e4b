// Which backup may go back onto which board, and which one to offer.
#include <algorithm>
#include <system_error>
#include <tuple>

#include "profiles/info_block_backup.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

namespace fs = std::filesystem;

// What identifies a board across updates: its kind and its number, serial
// characters 2 to 9, which a bootloader update keeps while it may rewrite
// the letters and version digits around them. A serial too short to hold
// a number is its own identity.
std::string IdentityOf(std::string_view serial) {
  const std::string name = BackupFolderName(serial);
  if (name.size() < 10) return name;
  return std::string(1, BoardKindOf(name)) + name.substr(2, 8);
}

// The serial a backup names: its trailer's, else its folder's.
std::string SourceSerial(const fs::path& file, const BackupLoadResult& backup) {
  return backup.origin ? backup.origin->serial : platform::PathToUtf8(file.parent_path().filename());
}

}  // namespace

fs::path NewestSoundBackup(const fs::path& root, std::string_view serial) {
  if (root.empty()) return {};
  const std::string identity = IdentityOf(serial);
  // (stamp, position in its folder, path) of every backup of this board.
  std::vector<std::tuple<std::string, size_t, fs::path>> all;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec)) continue;
    const std::string folder = platform::PathToUtf8(it->path().filename());
    if (folder != BackupFolderName(serial) && IdentityOf(folder) != identity) continue;
    const auto list = ListInfoBlockBackups(root, folder);
    for (size_t i = 0; i < list.size(); ++i) {
      all.emplace_back(list[i].name.substr(0, 15), i, list[i].path);
    }
  }
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) > std::tie(std::get<0>(b), std::get<1>(b));
  });
  for (const auto& entry : all) {
    const fs::path& path = std::get<2>(entry);
    const BackupLoadResult loaded = LoadInfoBlockBackup(path);
    if (!loaded.block || !loaded.check.Sound()) continue;
    // A copy put into this board's folder from a board of another kind is
    // not this board's.
    if (IdentityOf(SourceSerial(path, loaded)) != identity) continue;
    return path;
  }
  return {};
}

std::string RestoreAdvice(const fs::path& root, std::string_view serial) {
  const fs::path newest = NewestSoundBackup(root, serial);
  if (newest.empty()) {
    return "no sound backup of this board is kept" +
           (root.empty() ? std::string() : " in " + platform::PathToUtf8(root)) +
           "; a profile file can be written after a firmware update, or Total Clear starts afresh";
  }
  return "the newest sound backup is " + platform::PathToUtf8(newest) + "; to put it back: velotrack profiles restore " +
         platform::PathToUtf8(newest) + " --yes";
}

BackupCheck CheckBackupForBoard(const fs::path& file, const BackupLoadResult& backup,
                                std::string_view boardSerial, std::string_view boardFirmware,
                                bool force) {
  BackupCheck check;
  if (!backup.block) {
    check.message = backup.error;
    return check;
  }
  if (backup.check.condition == flash::BlockCondition::kDamaged) {
    check.message = platform::PathToUtf8(file) + ": not a whole settings block (" + backup.check.damage + ")";
    return check;
  }
  const std::string source = SourceSerial(file, backup);
  const std::string own = BackupFolderName(boardSerial);
  const char sourceKind = BoardKindOf(source);
  const char boardKind = BoardKindOf(boardSerial);
  if (sourceKind != boardKind) {
    check.message = platform::PathToUtf8(file) + " was saved from board " + source + ", " + BoardKindName(sourceKind) +
                    "; this board (" + own + ") is " + BoardKindName(boardKind);
    return check;
  }
  std::vector<std::string> notes;
  if (IdentityOf(source) != IdentityOf(own)) {
    check.message = platform::PathToUtf8(file) + " was saved from board " + source + ", not from this board (" + own + ")";
    if (!force) {
      check.message += "; --force puts it on this board anyway";
      return check;
    }
    notes.push_back(check.message);
  } else if (source != own) {
    notes.push_back(platform::PathToUtf8(file) + " was saved when this board presented the serial " + source);
  }
  if (backup.origin && !backup.origin->firmware.empty() && !boardFirmware.empty() &&
      backup.origin->firmware != boardFirmware) {
    notes.push_back("it was saved under firmware " + backup.origin->firmware + "; the board now runs " +
                    std::string(boardFirmware));
  }
  if (backup.check.condition == flash::BlockCondition::kErased) {
    notes.push_back(platform::PathToUtf8(file) + " holds an erased block: restoring it clears the board's settings");
  }
  check.message.clear();
  for (const std::string& note : notes) check.message += (check.message.empty() ? "" : "\n") + note;
  check.ok = true;
  return check;
}

}  // namespace vt::profiles
