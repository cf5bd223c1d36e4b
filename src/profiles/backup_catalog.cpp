#include "profiles/backup_catalog.h"

#include <algorithm>
#include <system_error>

#include "platform/utf8_path.h"
#include "profiles/info_block_backup.h"

namespace vt::profiles {

namespace fs = std::filesystem;

namespace {

// "20261211-164749[-n].bin" -> "2026-12-11 16:47:49".
std::string TakenText(const std::string& name) {
  if (name.size() < 15) return {};
  return name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2) + " " + name.substr(9, 2) + ":" +
         name.substr(11, 2) + ":" + name.substr(13, 2);
}

void AddBoard(const fs::path& root, const std::string& board, std::vector<CatalogEntry>& out) {
  const size_t first = out.size();
  for (const BackupEntry& b : ListInfoBlockBackups(root, board)) {
    CatalogEntry e;
    e.board = board;
    e.path = b.path;
    e.taken = TakenText(b.name);
    const BackupLoadResult loaded = LoadInfoBlockBackup(b.path);
    e.loaded = loaded.block.has_value();
    e.error = loaded.error;
    if (e.loaded) {
      e.condition = loaded.check.condition;
      e.damage = loaded.check.damage;
      if (loaded.origin) e.firmware = loaded.origin->firmware;
    }
    out.push_back(std::move(e));
  }
  for (size_t i = out.size(); i > first; --i) {
    CatalogEntry& e = out[i - 1];
    if (e.loaded && e.condition == flash::BlockCondition::kSound) {
      e.newestSound = true;
      break;
    }
  }
}

}  // namespace

std::vector<CatalogEntry> ListBackupCatalog(const fs::path& root, std::string_view board) {
  std::vector<CatalogEntry> out;
  if (!board.empty()) {
    AddBoard(root, BackupFolderName(board), out);
    return out;
  }
  std::vector<std::string> folders;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) folders.push_back(platform::PathToUtf8(it->path().filename()));
  }
  std::sort(folders.begin(), folders.end());
  for (const std::string& folder : folders) {
    // A folder whose name is not one a serial gives holds no backups.
    if (BackupFolderName(folder) == folder) AddBoard(root, folder, out);
  }
  return out;
}

std::vector<size_t> BackupsToPrune(const std::vector<CatalogEntry>& entries, size_t keep) {
  std::vector<size_t> remove;
  size_t begin = 0;
  while (begin < entries.size()) {
    size_t end = begin;
    while (end < entries.size() && entries[end].board == entries[begin].board) ++end;
    // Newest first: the first `keep` backups stay, and the newest sound one.
    size_t kept = 0;
    bool soundKept = false;
    for (size_t i = end; i > begin; --i) {
      const CatalogEntry& e = entries[i - 1];
      if (!e.loaded) continue;
      const bool sound = e.condition == flash::BlockCondition::kSound;
      if (kept < keep || (sound && !soundKept)) {
        ++kept;
        soundKept = soundKept || sound;
        continue;
      }
      remove.push_back(i - 1);
    }
    begin = end;
  }
  std::sort(remove.begin(), remove.end());
  return remove;
}

}  // namespace vt::profiles
