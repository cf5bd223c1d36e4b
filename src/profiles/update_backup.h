#pragma once

// The info-block backup store a firmware update is given: each copy is
// saved under the board's serial with the firmware version it ran and the
// block's condition (sound, erased or damaged), as the profile writes save
// theirs.

#include <filesystem>
#include <functional>

#include "devlink/board_link.h"
#include "flash/update_context.h"
#include "profiles/info_block_backup.h"

namespace vt::profiles {

// `saved` hears of every attempt, kept or not. The store reads the board's
// firmware version at the time of the copy (an update may change it).
flash::InfoBlockBackup UpdateBackupStore(devlink::BoardLink& link, std::filesystem::path root,
                                         std::function<void(const BackupSaveResult&)> saved);

}  // namespace vt::profiles
