#pragma once

// Every backup under a backup root, board by board, with what each holds,
// and the choice of the ones a prune removes. A prune never removes the
// newest backup of a board that holds a sound block: it is the one a
// damaged or erased board is restored from.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "flash/info_block_damage.h"

namespace vt::profiles {

struct CatalogEntry {
  std::string board;  // the board's folder under the root
  std::filesystem::path path;
  std::string taken;  // "YYYY-mm-dd HH:MM:SS", UTC, from the file name
  bool loaded = false;  // false: not readable as a backup; `error` says why
  std::string error;
  flash::BlockCondition condition = flash::BlockCondition::kDamaged;  // as checked now
  std::string damage;    // what is damaged, for a damaged block
  std::string firmware;  // from the file's description; empty when unknown
  bool newestSound = false;  // the newest sound backup of its board
};

// The backups under `root`, by board folder (sorted by name), oldest first
// within a board. With `board` not empty, only the folder of that serial.
std::vector<CatalogEntry> ListBackupCatalog(const std::filesystem::path& root, std::string_view board = {});

// The entries (indices into `entries`, as ListBackupCatalog gives them) a
// prune keeping the `keep` newest backups of each board removes. The newest
// sound backup of a board is kept even when it is older than those; a file
// that cannot be read as a backup is never removed.
std::vector<size_t> BackupsToPrune(const std::vector<CatalogEntry>& entries, size_t keep);

}  // namespace vt::profiles
