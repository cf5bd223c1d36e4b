#pragma once

// Moving the profile set between the board's info block and whoever drives
// the transfer (a TransferUi: the settings pages, or the terminal): reading
// the seven records, writing them back, Total Clear, and putting a saved
// copy of the block back. Before anything erases the block, the block as
// read is saved as a backup for the board's serial.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "devlink/board_link.h"
#include "devlink/board_claim.h"
#include "flash/info_block_damage.h"
#include "flash/stored_image.h"
#include "profiles/info_block_backup.h"
#include "profiles/profile_image.h"
#include "profiles/transfer_ui.h"

namespace vt::profiles {

enum class WriteMode : uint8_t { kTotalClear = 0, kWrite = 1 };

// Where a failed write stopped. kVerify: the block read back after writing
// is not what was written (or could not be read back).
enum class ProgramStep : uint8_t { kNone, kEnter, kErase, kWrite, kVerify, kLeave, kRestart };

// How a block read for a backup or a check turned out.
enum class BlockReadResult : uint8_t { kOk, kReadFailed, kReadsDiffer };
struct TrustedBlockRead {
  BlockReadResult result = BlockReadResult::kReadFailed;
  InfoBlockBytes block{};
};

// Where two blocks differ: how many bytes, and the first offset.
struct BlockDifference {
  size_t count = 0;
  size_t first = 0;
};
BlockDifference CompareBlocks(const InfoBlockBytes& a, const InfoBlockBytes& b);

// "0xE0000".
std::string HexAddress(uint32_t address);
// Why a block could not take the profile record, as one line.
std::string PrepareFailureText(PrepareResult result);

class ProfileTransfer {
 public:
  ProfileTransfer(devlink::BoardLink& link, TransferUi& ui);

  // Backups go under this root (default: DefaultBackupRoot()).
  void SetBackupRoot(std::filesystem::path root) { backupRoot_ = std::move(root); }
  const std::filesystem::path& BackupRoot() const { return backupRoot_; }
  // Where the built-in firmware image for the version check comes from.
  void SetFirmwareLookup(flash::ResourceLookup lookup) { lookup_ = lookup; }

  // Reads the profiles and hands them to the UI. True when data was read or the board
  // has no profile record (also when its block is all erased: the status
  // then stays "No data"); false on a failed read, a damaged block (told,
  // with the newest sound backup), or when the user said No.
  bool ReadProfilesFromBoard(bool ask);
  // Writes the UI's profiles (kWrite) or erases the whole block
  // (kTotalClear). True only when every step went through.
  bool WriteProfilesToBoard(WriteMode mode);

  // "Get settings from Velotrack": read with confirmation, then the serial.
  bool GetSettings();
  // "Total Clear/Reset": clear, wait, read back without asking, serial.
  bool TotalClearReset();

  // Reads the 2048-byte block; nothing on a failed read.
  std::optional<InfoBlockBytes> ReadInfoBlock();
  // Reads the block twice and accepts it only when both reads agree, so a
  // read-back garbled on the way never becomes a backup.
  TrustedBlockRead ReadTrustedInfoBlock();
  // Writes a whole block back as it is (a backup), after backing up the
  // block now on the board. No question is asked here; a damaged block is
  // refused.
  bool RestoreInfoBlock(const InfoBlockBytes& block);

  // What the last read, write or restore found in the board's block.
  flash::BlockCondition LastBlockCondition() const { return lastCondition_; }
  // The last operation was refused over the board's block (erased, damaged,
  // or with no place for the profiles) before anything was sent to erase.
  bool Refused() const { return refused_; }
  // The board's firmware version as the last read found it ("5.32.0"),
  // recorded in backups; empty when unknown.
  const std::string& BoardFirmware() const { return boardFirmware_; }
  // How many firmware checksums the last restore kept from the board's
  // sound block instead of taking the backup's (after a firmware update).
  int ChecksumsKept() const { return checksumsKept_; }
  void NoteBoardFirmware(std::string text) { boardFirmware_ = std::move(text); }
  void ShowSerial();
  uint8_t LastStatus() const { return lastStatus_; }
  // The backup taken by the last write, clear, or restore; empty when none.
  const std::filesystem::path& LastBackup() const { return lastBackup_; }
  ProgramStep LastFailedStep() const { return failedStep_; }
  // The step the last read, write, clear or restore failed at, as one line
  // ("erasing the info block at 0xE0200 failed"); empty when none failed.
  std::string FailedStepText() const;
  // The text the last failure message showed (empty when none).
  const std::string& LastMessage() const { return lastMessage_; }
  // The user answered No to the last question.
  bool Declined() const { return declined_; }

 private:
  bool Ask(const std::string& text, const std::string& caption);
  void Tell(const std::string& text, const std::string& caption);
  void SetStatusText(const std::string& text);
  void Finish(bool ok);
  bool SaveBackup(const InfoBlockBytes& block);
  // The trusted read and backup taken before anything is erased; false (with
  // the reason told) when either fails, and then nothing may be written.
  std::optional<InfoBlockBytes> ReadAndBackUp();
  // Reads the block back after writing and compares it with `written`; a
  // read that disagrees is repeated once before the write counts as failed.
  bool VerifyInfoBlock(const InfoBlockBytes& written);
  // Erases the block and programs `block`, framed by programming mode, then
  // restarts the board. Stops at the first failed step.
  ProgramStep ProgramInfoBlock(const InfoBlockBytes& block, uint32_t restartWaitMs);
  // Tells the user which step failed; a failure that may have left the
  // block erased names the backup.
  void ReportStepFailure();
  // Where the backup is and how to put it back; empty without a backup.
  std::string BackupNote() const;
  // The newest sound backup of this board and the command that restores it.
  std::string Advice() const;
  // Checks the block just read for a write (or Total Clear): true when it
  // may be built upon; otherwise tells why, with the way back, and marks
  // the operation refused.
  bool BlockWritable(const InfoBlockBytes& block, bool clear);
  // Tells why a block read for the pages is not loaded: damaged.
  void TellDamagedRead(const std::string& damage);
  // False (with the reason told and the status set) when another program
  // holds the board.
  bool ClaimGranted(const devlink::BoardClaim& claim);
  // Takes the board for a read; false (with the reason told and the status
  // set) when another program holds it.
  bool HoldForRead(std::optional<devlink::BoardClaim>& hold);

  devlink::BoardLink& link_;
  TransferUi& ui_;
  std::filesystem::path backupRoot_;
  flash::ResourceLookup lookup_ = &flash::BuiltInResource;
  uint8_t lastStatus_ = kTransferOk;
  std::filesystem::path lastBackup_;
  ProgramStep failedStep_ = ProgramStep::kNone;
  std::string lastMessage_;
  std::string verifyDetail_;  // what the read-back found, for the message
  uint32_t failedAddress_ = 0;  // where the failed program step was
  std::string failedBefore_;    // a failure before programming, as one line
  bool declined_ = false;
  bool refused_ = false;
  flash::BlockCondition lastCondition_ = flash::BlockCondition::kSound;
  std::string boardFirmware_;
  int checksumsKept_ = 0;
};

}  // namespace vt::profiles
