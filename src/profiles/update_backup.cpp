#include "profiles/update_backup.h"

#include <string>

#include "flash/firmware_version.h"

namespace vt::profiles {

flash::InfoBlockBackup UpdateBackupStore(devlink::BoardLink& link, std::filesystem::path root,
                                         std::function<void(const BackupSaveResult&)> saved) {
  return [&link, root = std::move(root), saved = std::move(saved)](const devlink::BoardIdentity& board,
                                                                  std::span<const uint8_t> block) {
    BackupSaveResult result;
    if (root.empty()) {
      result.error = "no folder for info block backups";
    } else {
      BackupOrigin origin{board.SerialText(), {}};
      if (flash::FirmwareVersion v; flash::ReadBoardFirmwareVersion(link, &v)) {
        origin.firmware = std::to_string(v.series) + "." + std::to_string(v.minor) + "." + std::to_string(v.build);
      }
      result = SaveInfoBlockBackup(root, origin, block);
    }
    if (saved) saved(result);
    return result.ok;
  };
}

}  // namespace vt::profiles
