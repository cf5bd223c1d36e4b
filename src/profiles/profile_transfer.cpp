#include "profiles/profile_transfer.h"

#include <algorithm>
#include <cstdio>

#include "devlink/deadline_scope.h"
#include "devlink/board_claim.h"
#include "flash/board_addresses.h"
#include "flash/firmware_version.h"
#include "flash/flash_commands.h"
#include "profiles/profile_image.h"
#include "profiles/serial_display.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

constexpr const char* kReadPrompt = "All changes on settings window will be overwritten\n\nAre you sure?";
constexpr const char* kReadTitle = "Velotrack->PC";
constexpr const char* kWritePrompt = "All profile settings in Velotrack will be overwritten\n\nAre you sure?";
constexpr const char* kWriteTitle = "PC->Velotrack";
constexpr const char* kClearPrompt =
    "All profiles data and firmware settings\nin Velotrack will be deleted!\n\n"
    "You have to update the firmware and\nchoose all profile settings again\n\nAre you sure?";
constexpr const char* kClearTitle = "Total Clear to Velotrack";
constexpr const char* kWriteFailed = "Write to Velotrack failed\nTry to re-plug a device";
constexpr const char* kWriteErrorTitle = "Write Error";
constexpr const char* kNothingWrittenText = "\n\nNothing was written to Velotrack.";
constexpr uint32_t kSectorBytes = 512;

}  // namespace

ProfileTransfer::ProfileTransfer(devlink::BoardLink& link, TransferUi& ui)
    : link_(link), ui_(ui), backupRoot_(DefaultBackupRoot()) {}

bool ProfileTransfer::Ask(const std::string& text, const std::string& caption) {
  declined_ = !ui_.Ask(text, caption);
  return !declined_;
}

void ProfileTransfer::Tell(const std::string& text, const std::string& caption) {
  lastMessage_ = text;
  ui_.ShowMessage(text, caption);
}

void ProfileTransfer::SetStatusText(const std::string& text) { ui_.SetStatus(text); }

void ProfileTransfer::Finish(bool ok) {
  lastStatus_ = ok ? kTransferOk : kTransferIoError;
  ui_.ShowResult(lastStatus_);
}

void ProfileTransfer::ShowSerial() { ui_.ShowSerial(SerialDisplayText(link_.Identity())); }

std::optional<InfoBlockBytes> ProfileTransfer::ReadInfoBlock() {
  InfoBlockBytes block{};
  const uint32_t address = flash::InfoBlockAddress(link_.Identity());
  if (!flash::ReadBoardMemory(link_, address, flash::kInfoBlockSize, block.data())) return std::nullopt;
  return block;
}

// ---- Reading ------------------------------------------------------------------

bool ProfileTransfer::ReadProfilesFromBoard(bool ask) {
  lastMessage_.clear();
  failedBefore_.clear();
  declined_ = false;
  refused_ = false;
  lastCondition_ = flash::BlockCondition::kSound;
  // One hold of the board for the whole read, so that its reads are one
  // conversation and cost one claim; a read that asks first takes it after
  // the question, so that no other program waits on an open dialog.
  std::optional<devlink::BoardClaim> hold;
  if (!ask && !HoldForRead(hold)) return false;
  if (flash::CompareFirmwareVersion(link_, lookup_) == 1) {
    // Offered once this read is over.
    ui_.OfferUpgrade();
  }
  if (ask && !Ask(kReadPrompt, kReadTitle)) return false;
  if (ask && !HoldForRead(hold)) return false;
  SetStatusText("Reading profiles...");
  const devlink::DeadlineScope deadline(link_, "profile read", devlink::kProfileReadBudgetMs);

  flash::FirmwareVersion version;
  if (flash::ReadBoardFirmwareVersion(link_, &version)) {
    char text[64];
    std::snprintf(text, sizeof text, "Firmware version: %d.%d.%d", version.series, version.minor,
                  version.build);
    ui_.ShowFirmware(text);
    std::snprintf(text, sizeof text, "%d.%d.%d", version.series, version.minor, version.build);
    boardFirmware_ = text;
  }

  const std::optional<InfoBlockBytes> block = ReadInfoBlock();
  ShowSerial();

  bool ok = block.has_value();
  if (!ok) {
    failedBefore_ = "reading the info block at " + HexAddress(flash::InfoBlockAddress(link_.Identity())) + " failed";
  }
  ProfileImage image = FallbackProfileImage();
  const flash::InfoBlockCheck check =
      ok ? flash::CheckInfoBlock(*block) : flash::InfoBlockCheck{flash::BlockCondition::kSound, {}};
  lastCondition_ = check.condition;
  if (check.condition == flash::BlockCondition::kDamaged) {
    // What survived of an interrupted write is not shown as the board's
    // settings: the pages get the fallback, as after a failed read.
    TellDamagedRead(check.damage);
    ok = false;
  } else if (check.condition == flash::BlockCondition::kErased) {
    // No settings at all (Total Clear, or an update cut short): "No data"
    // for a second, then the placeholders as a read that went well. What
    // the block is stays in LastBlockCondition() for callers that refuse it.
    SetStatusText("No data");
    link_.GetClock().SleepMs(1000);
    lastMessage_ = "No data: the settings block on Velotrack is erased (all 2048 bytes); " +
                   RestoreAdvice(backupRoot_, link_.Identity().SerialText());
    ui_.ShowProfiles(std::span<const uint8_t>(image).first(kProfileRecordsBytes));
    Finish(true);
    return true;
  } else if (ok) {
    const ProfileImageLocation where = LocateProfileImage(*block);
    if (where.result == ImageLookup::kFound) {
      std::copy_n(block->begin() + static_cast<std::ptrdiff_t>(where.payloadOffset),
                  kProfileImageBytes, image.begin());
    } else {
      SetStatusText("No data");
      link_.GetClock().SleepMs(1000);
      // A record that would reach past the block is not read at all; the
      // block is damaged, which is not the same as empty.
      ok = where.result == ImageLookup::kNoData;
      if (!ok) failedBefore_ = "the profile record of the info block reaches past its end";
    }
  }
  ui_.ShowProfiles(std::span<const uint8_t>(image).first(kProfileRecordsBytes));
  Finish(ok);
  return ok;
}

bool ProfileTransfer::HoldForRead(std::optional<devlink::BoardClaim>& hold) {
  hold.emplace(link_);
  if (hold->Granted()) return true;
  Tell(hold->Refusal() + "\n\nThe settings were not read.", kReadTitle);
  Finish(false);
  return false;
}

bool ProfileTransfer::GetSettings() {
  const bool ok = ReadProfilesFromBoard(true);
  ShowSerial();
  return ok;
}

bool ProfileTransfer::TotalClearReset() {
  const bool cleared = WriteProfilesToBoard(WriteMode::kTotalClear);
  // Declining must leave the editor alone too: reading the board back would
  // replace unsaved edits.
  // A refused clear sent nothing: there is nothing new to read back.
  if (declined_ || refused_) return false;
  link_.GetClock().SleepMs(1000);
  const std::string clearFailure = failedBefore_;
  const bool read = ReadProfilesFromBoard(false);
  ShowSerial();
  // The read must not paint over a failed clear with "OK".
  if (!cleared) {
    Finish(false);
    failedBefore_ = clearFailure;
  }
  return cleared && read;
}

// ---- Writing ------------------------------------------------------------------

BlockDifference CompareBlocks(const InfoBlockBytes& a, const InfoBlockBytes& b) {
  BlockDifference diff;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (diff.count == 0) diff.first = i;
    ++diff.count;
  }
  return diff;
}

TrustedBlockRead ProfileTransfer::ReadTrustedInfoBlock() {
  TrustedBlockRead read;
  const std::optional<InfoBlockBytes> first = ReadInfoBlock();
  if (!first) return read;
  const std::optional<InfoBlockBytes> second = ReadInfoBlock();
  if (!second) return read;
  read.block = *first;
  read.result = *first == *second ? BlockReadResult::kOk : BlockReadResult::kReadsDiffer;
  return read;
}

bool ProfileTransfer::SaveBackup(const InfoBlockBytes& block) {
  const BackupSaveResult saved =
      SaveInfoBlockBackup(backupRoot_, BackupOrigin{link_.Identity().SerialText(), boardFirmware_}, block);
  if (!saved.ok) {
    failedBefore_ = "saving the backup failed: " + saved.error;
    Tell("No backup of the Velotrack settings could be saved:\n" + saved.error +
             "\n\nNothing was written to Velotrack.",
         kWriteErrorTitle);
    return false;
  }
  lastBackup_ = saved.path;
  return true;
}

std::optional<InfoBlockBytes> ProfileTransfer::ReadAndBackUp() {
  const TrustedBlockRead read = ReadTrustedInfoBlock();
  if (read.result != BlockReadResult::kOk) {
    failedBefore_ = "reading the info block at " + HexAddress(flash::InfoBlockAddress(link_.Identity())) +
                    (read.result == BlockReadResult::kReadsDiffer ? " twice gave different bytes" : " failed");
  }
  if (read.result == BlockReadResult::kReadsDiffer) {
    Tell("The settings on Velotrack could not be read reliably: two reads of the block differ."
         "\n\nNothing was written to Velotrack.\nTry to re-plug a device",
         kWriteErrorTitle);
    return std::nullopt;
  }
  if (read.result != BlockReadResult::kOk) return std::nullopt;
  return read.block;
}

bool ProfileTransfer::VerifyInfoBlock(const InfoBlockBytes& written) {
  verifyDetail_.clear();
  std::optional<InfoBlockBytes> previous;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<InfoBlockBytes> back = ReadInfoBlock();
    if (back && *back == written) return true;
    if (back) previous = back;
  }
  if (!previous) {
    verifyDetail_ = "The settings block could not be read back after writing.";
    return false;
  }
  const BlockDifference diff = CompareBlocks(*previous, written);
  char text[160];
  std::snprintf(text, sizeof text,
                "Velotrack does not hold what was written: %zu of 2048 bytes differ, the first at "
                "offset 0x%03zX.",
                diff.count, diff.first);
  verifyDetail_ = text;
  return false;
}

ProgramStep ProfileTransfer::ProgramInfoBlock(const InfoBlockBytes& block, uint32_t restartWaitMs) {
  const uint32_t address = flash::InfoBlockAddress(link_.Identity());
  failedAddress_ = address;
  if (!flash::EnterProgramming(link_)) return ProgramStep::kEnter;
  for (uint32_t offset = 0; offset < flash::kInfoBlockSize; offset += kSectorBytes) {
    failedAddress_ = address + offset;
    if (!flash::EraseFlashSector(link_, address + offset)) return ProgramStep::kErase;
  }
  failedAddress_ = address;
  if (!flash::WriteBoardMemory(link_, address, flash::kInfoBlockSize, block.data())) {
    return ProgramStep::kWrite;
  }
  // Reads work in programming mode, so the check comes before the board is
  // let go: a block that did not take is never restarted into.
  if (!VerifyInfoBlock(block)) return ProgramStep::kVerify;
  if (!flash::LeaveProgramming(link_)) return ProgramStep::kLeave;
  SetStatusText("Restarting...");
  const bool restarted = flash::RestartBoard(link_);
  if (restartWaitMs > 0) link_.GetClock().SleepMs(restartWaitMs);
  if (link_.Log().On()) {
    SetStatusText("Restarting...");
    flash::RestartBoard(link_);
    link_.GetClock().SleepMs(1000);
  }
  return restarted ? ProgramStep::kNone : ProgramStep::kRestart;
}

bool ProfileTransfer::ClaimGranted(const devlink::BoardClaim& claim) {
  if (claim.Granted()) return true;
  Tell(claim.Refusal() + "\n\nNothing was written to Velotrack.", kWriteErrorTitle);
  Finish(false);
  return false;
}

std::string ProfileTransfer::BackupNote() const {
  if (lastBackup_.empty()) return {};
  return "\n\nThe settings block as it was before writing is saved in\n" + platform::PathToUtf8(lastBackup_) +
         "\n\nTo put it back: velotrack profiles restore " + platform::PathToUtf8(lastBackup_) + " --yes";
}

void ProfileTransfer::ReportStepFailure() {
  switch (failedStep_) {
    case ProgramStep::kNone:
      return;
    case ProgramStep::kLeave:
    case ProgramStep::kRestart:
      // The block is on the board and was read back; only the way out of
      // programming failed.
      Tell("Settings were written, but Velotrack did not restart\nTry to re-plug a device" +
               BackupNote(),
           kWriteErrorTitle);
      return;
    default:
      break;
  }
  std::string text = kWriteFailed;
  if (failedStep_ == ProgramStep::kVerify && !verifyDetail_.empty()) {
    text += "\n\n" + verifyDetail_;
  }
  Tell(text + BackupNote(), kWriteErrorTitle);
}

bool ProfileTransfer::WriteProfilesToBoard(WriteMode mode) {
  lastMessage_.clear();
  lastBackup_.clear();
  failedStep_ = ProgramStep::kNone;
  failedBefore_.clear();
  declined_ = false;
  refused_ = false;
  const bool clear = mode == WriteMode::kTotalClear;
  if (!Ask(clear ? kClearPrompt : kWritePrompt, clear ? kClearTitle : kWriteTitle)) return false;
  SetStatusText("Writing profiles...");
  // No other program may write the board between this read and the end.
  const devlink::BoardClaim claim(link_);
  if (!ClaimGranted(claim)) return false;
  const devlink::DeadlineScope deadline(link_, clear ? "Total Clear" : "profile write",
                                        devlink::kProfileWriteBudgetMs);

  const std::optional<InfoBlockBytes> read = ReadAndBackUp();
  if (!read) {
    Finish(false);
    return false;
  }
  InfoBlockBytes block = *read;
  // An erased or damaged block, or one whose record chain has no safe place
  // for the profile record, is left alone: nothing is erased or written.
  if (!BlockWritable(block, clear)) {
    Finish(false);
    return false;
  }
  const PreparedBlock prepared = PrepareProfileRecord(block);
  if (clear) {
    block.fill(0xFF);
  } else {
    const ProfileRecordsBytes records = ui_.ProfilesToWrite();
    std::copy(records.begin(), records.end(),
              block.begin() + static_cast<std::ptrdiff_t>(prepared.payloadOffset));
  }

  // Never write what the next read would call damaged (profiles whose
  // unused bytes are erased, from a file, can look like a hole).
  if (const flash::InfoBlockCheck after = flash::CheckInfoBlock(block); !clear && !after.Sound()) {
    refused_ = true;
    Tell("The profiles would not form a whole settings block: " + after.damage + "." + kNothingWrittenText,
         kWriteErrorTitle);
    Finish(false);
    return false;
  }
  if (!SaveBackup(*read)) {
    Finish(false);
    return false;
  }
  failedStep_ = ProgramInfoBlock(block, clear ? 6000 : 0);
  ReportStepFailure();
  const bool ok = failedStep_ == ProgramStep::kNone;
  Finish(ok);
  return ok;
}

bool ProfileTransfer::RestoreInfoBlock(const InfoBlockBytes& block) {
  lastMessage_.clear();
  lastBackup_.clear();
  failedStep_ = ProgramStep::kNone;
  failedBefore_.clear();
  refused_ = false;
  checksumsKept_ = 0;
  if (const flash::InfoBlockCheck check = flash::CheckInfoBlock(block); !check.Sound() &&
                                                                       check.condition != flash::BlockCondition::kErased) {
    refused_ = true;
    failedBefore_ = "the backup is not a whole settings block (" + check.damage + "); nothing was written";
    Tell("This backup is not a whole settings block (" + check.damage + ").\n\nNothing was written to Velotrack.",
         kWriteErrorTitle);
    Finish(false);
    return false;
  }
  SetStatusText("Writing profiles...");
  const devlink::BoardClaim claim(link_);
  if (!ClaimGranted(claim)) return false;
  const devlink::DeadlineScope deadline(link_, "restore", devlink::kProfileWriteBudgetMs);
  const std::optional<InfoBlockBytes> current = ReadAndBackUp();
  if (current) lastCondition_ = flash::CheckInfoBlock(*current).condition;
  if (!current || !SaveBackup(*current)) {
    Finish(false);
    return false;
  }
  // The checksums of a sound block describe the firmware on the board now;
  // a backup's may be from before an update.
  InfoBlockBytes toWrite = block;
  checksumsKept_ = lastCondition_ == flash::BlockCondition::kSound ? KeepFirmwareChecksums(toWrite, *current) : 0;
  failedStep_ = ProgramInfoBlock(toWrite, 0);
  ReportStepFailure();
  const bool ok = failedStep_ == ProgramStep::kNone;
  Finish(ok);
  return ok;
}

}  // namespace vt::profiles
