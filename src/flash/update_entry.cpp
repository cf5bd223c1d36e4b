#include "flash/update_entry.h"

#include <vector>

#include "devlink/deadline_scope.h"
#include "devlink/board_claim.h"
#include "flash/board_addresses.h"
#include "flash/bootloader_update.h"
#include "flash/elf_loader.h"
#include "flash/firmware_file_check.h"
#include "flash/info_block_update.h"
#include "flash/firmware_version.h"
#include "flash/flash_commands.h"
#include "flash/region_update.h"
#include "flash/restart_watch.h"

namespace vt::flash {

bool ClearInfoBlock(UpdateContext& ctx, const UpdateRequest& request) {
  if (!ctx.ui.Ask("Delete info block?", "Info")) return true;
  auto& link = ctx.link;
  ctx.ui.SetStatus("Erasing...");
  // The block lies where this board keeps it outside the application
  // region update, and takes one erase per 512-byte sector under it (the
  // two erases at 0xE0000 and 0xE0400 alone would leave half of it); without
  // a copy both reads agree on, it is not erased.
  const InfoBlockPlan plan = InfoPlanFor(VariantOf(link.Identity()), false);
  if (!BackUpInfoBlock(ctx, plan, false)) return false;
  bool ok = EnterProgramming(link) ||
            FailStep(ctx, UpdateStep::kEraseFlash, "the board did not take programming mode");
  for (uint32_t off = 0; ok && off < kInfoBlockSize; off += plan.eraseStep) {
    if (!EraseFlashSector(link, plan.address + off)) {
      ok = FailAt(ctx, UpdateStep::kEraseFlash, plan.address + off, "erasing the info block");
    }
  }
  if (ok) {
    const std::vector<uint8_t> erased(kInfoBlockSize, 0xFF);
    uint32_t at = 0;
    std::string detail;
    if (!VerifyBoardBytes(link, plan.address, erased, &at, &detail)) {
      ok = FailAt(ctx, UpdateStep::kVerify, at, "the erased info block " + detail);
    }
  }
  // The board drops off the bus as it restarts; the reply may never come.
  if (request.options & kOptRestart) RestartBoard(link);
  return ok;
}

namespace {

// The board is held for the whole request (and, through the commands
// below, for a whole upgrade of several requests).
bool ClaimBoard(UpdateContext& ctx, const devlink::BoardClaim& claim) {
  if (!claim.Granted()) ctx.ui.ShowMessage(claim.Refusal(), "Firmware Upgrade");
  return claim.Granted();
}

}  // namespace

bool RunUpdateRequest(UpdateContext& ctx, const UpdateRequest& request) {
  auto& link = ctx.link;
  const devlink::BoardClaim claim(link);
  if (!ClaimBoard(ctx, claim)) return false;
  const BoardVariant variant = VariantOf(link.Identity());
  std::optional<std::vector<uint8_t>> file;
  std::span<const uint8_t> raw;
  if (request.sourceKind == kSourceFile) {
    std::string error;
    file = ReadFirmwareFile(request.fileName, variant, &error);
    if (!file) return FailStep(ctx, UpdateStep::kOpen, error);
    raw = *file;
  } else if (request.sourceKind == kSourceMemory) {
    raw = request.image;
  } else {
    return FailStep(ctx, UpdateStep::kOpen, "no image given");
  }
  // The image is checked for everything the request programs before the
  // board is touched.
  std::optional<LoadedImage> image;
  if (request.options & (kOptApplication | kOptBootloader)) {
    const UpdatePart part =
        (request.options & kOptApplication) ? UpdatePart::kApplication : UpdatePart::kBootloader;
    auto check = CheckFirmwareImage(raw, variant, part);
    if (!check.ok()) return FailStep(ctx, check.failedStep, check.reason);
    image = std::move(check.image);
  } else {
    std::string error;
    image = LoadElfImage(raw, variant, &error);
    if (!image) return FailStep(ctx, UpdateStep::kCheck, error);
  }
  file.reset();
  const devlink::DeadlineScope deadline(link, "firmware update", devlink::FirmwareBudgetMs(WorkingBytes(variant)));

  bool result = true;
  if (request.options & kOptClearInfoBlock) result = ClearInfoBlock(ctx, request);
  // A step that failed ends the request: later steps would build on a
  // board in an unknown state and could report success over the failure.
  if (result && (request.options & kOptApplication)) {
    // The board's variant is asked again: the clear may not change it, but
    // the held serial decides every step.
    result = UpdateApplicationRegion(ctx, image->Application(), image->size, request.options,
                                     VariantOf(link.Identity()));
  }
  if (result && (request.options & kOptBootloader)) {
    if (auto boot = UpdateBootloader(ctx, *image, request.options, request.overrideLetter)) {
      result = *boot;
    }
  }
  // The board drops off the bus as it restarts, so the write of the command
  // tells nothing (through a real kernel it fails as the device goes away):
  // the board is watched leaving and coming back instead. One that never
  // left still runs what it ran before, and the update is not done.
  if (result && (request.options & kOptRestart)) {
    const RestartWatch restart = RestartBoardAndWatch(link);
    if (restart.outcome != RestartOutcome::kRestarted) {
      result = FailStep(ctx, UpdateStep::kRestartBoard, DescribeRestart(restart));
    }
  }
  return result;
}

bool BuiltInUpgrade(UpdateContext& ctx) {
  auto& id = ctx.link.MutableIdentity();
  auto decoded = DecodeStoredImage(id.IsVariantR() ? kRBoardImageResource : kStandardImageResource,
                                   ctx.resources);
  if (!decoded) return false;
  UpdateRequest request;
  request.sourceKind = kSourceMemory;
  request.image = *decoded;
  request.options = kOptionsUpdateApplication;

  const uint8_t c1 = id.SerialChar(1);
  const bool twoStage = !id.IsVariantR() && id.SerialChar(0) == 'W' && (c1 == '7' || c1 == 0x7F);
  if (!twoStage) return RunUpdateRequest(ctx, request);

  request.options = kOptionsClearAndRestart;
  RunUpdateRequest(ctx, request);
  ctx.ui.ShowMessage("Wait until LEDs completes blinking and then click OK", "Upgrade");
  request.options = kOptionsApplicationNoRestart;
  RunUpdateRequest(ctx, request);
  // From here on the board counts as a 'V' board for every decision.
  id.SetSerialChar(0, 'V');
  id.SetSerialChar(1, 'V');
  request.options = kOptionsBootloaderNoRestart;
  const bool result = RunUpdateRequest(ctx, request);
  PostUpdateSwitch(ctx.link);
  return result;
}

std::optional<bool> FirmwareUpdateCommand(UpdateContext& ctx, bool fromBuiltIn,
                                          const std::string& fileName) {
  // The image is opened and checked before the user is asked anything.
  const BoardVariant variant = VariantOf(ctx.link.Identity());
  if (fromBuiltIn) {
    std::string why;
    if (!BuiltInImageApplies(ctx.link.Identity(), ctx.resources, &why)) {
      return FailStep(ctx, UpdateStep::kCheck, "the built-in image: " + why);
    }
  } else {
    const auto check = CheckFirmwareFile(fileName.substr(0, 255), variant, UpdatePart::kApplication);
    if (!check.ok()) return FailStep(ctx, check.failedStep, check.reason);
  }
  const int compare = CompareFirmwareVersion(ctx.link, ctx.resources);
  if (compare == -2) {
    ctx.ui.ShowMessage("Sorry, firmware upgrade\nis not supported by current software.",
                       "Firmware Upgrade");
    return std::nullopt;
  }
  const char* question =
      compare == 1 ? "Old firmware detected!\n\nWould you like to perform an upgrade?"
                   : "Are you sure?";
  if (!ctx.ui.Ask(question, "Firmware Upgrade")) return std::nullopt;
  ctx.ui.StopMessagePoll();
  const devlink::BoardClaim claim(ctx.link);
  if (!ClaimBoard(ctx, claim)) return false;
  if (fromBuiltIn) return BuiltInUpgrade(ctx);
  UpdateRequest request;
  request.sourceKind = kSourceFile;
  request.fileName = fileName.substr(0, 255);
  request.options = kOptionsUpdateApplication;
  return RunUpdateRequest(ctx, request);
}

std::optional<bool> FlashBootloaderCommand(UpdateContext& ctx, const std::string& fileName,
                                           bool wifi) {
  const auto check = CheckFirmwareFile(fileName.substr(0, 255), VariantOf(ctx.link.Identity()),
                                       UpdatePart::kBootloader);
  if (!check.ok()) return FailStep(ctx, check.failedStep, check.reason);
  if (!ctx.ui.Ask("Are you sure?", "Bootloader Upgrade")) return std::nullopt;
  ctx.ui.StopMessagePoll();
  const devlink::BoardClaim claim(ctx.link);
  if (!ClaimBoard(ctx, claim)) return false;
  UpdateRequest request;
  request.sourceKind = kSourceFile;
  request.fileName = fileName.substr(0, 255);
  request.options = kOptionsBootloaderFromFile;
  ctx.link.RereadSerial();
  if (wifi) {
    request.overrideLetter = 'T';
    request.options |= kOptLetterOverride;
  }
  return RunUpdateRequest(ctx, request);
}

}  // namespace vt::flash
