#include "flash/update_entry.h"

#include <fstream>
#include <vector>

#include "flash/board_addresses.h"
#include "flash/bootloader_update.h"
#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/flash_commands.h"
#include "flash/region_update.h"
#include "platform/file_io.h"

namespace vt::flash {

namespace {

constexpr uint32_t kClearAddresses[] = {0xE0000, 0xE0400};
constexpr uint32_t kClearedBytes = 2048;

// Reads up to `limit` bytes of the file into a zero-filled buffer of
// `limit` bytes. Nothing when the file cannot be opened.
std::optional<std::vector<uint8_t>> ReadImageFile(const std::string& name, size_t limit) {
  // Regular files only: a FIFO or a device would block or never end.
  auto read = platform::ReadRegularFile(name, limit, platform::SizeRule::kFirstBytes);
  if (!read.ok()) return std::nullopt;
  read.bytes.resize(limit, 0);
  return std::move(read.bytes);
}

}  // namespace

bool ClearInfoBlock(UpdateContext& ctx, const UpdateRequest& request) {
  if (!ctx.ui.Ask("Delete info block?", "Info")) return true;
  auto& link = ctx.link;
  ctx.ui.SetStatus("Erasing...");
  if (ctx.backup) {
    std::vector<uint8_t> block(kClearedBytes, 0);
    if (!ReadBoardMemory(link, kClearAddresses[0], kClearedBytes, block.data()) ||
        !ctx.backup(link.Identity(), block)) {
      return false;  // without a copy the block is not erased
    }
  }
  const bool entered = EnterProgramming(link);
  for (uint32_t address : kClearAddresses) EraseFlashSector(link, address);
  if (request.options & kOptRestart) RestartBoard(link);
  return entered;
}

bool RunUpdateRequest(UpdateContext& ctx, const UpdateRequest& request) {
  auto& link = ctx.link;
  const BoardVariant variant = VariantOf(link.Identity());
  std::optional<std::vector<uint8_t>> file;
  std::span<const uint8_t> raw;
  if (request.sourceKind == kSourceFile) {
    file = ReadImageFile(request.fileName, WorkingBytes(variant));
    if (!file) return false;
    raw = *file;
  } else if (request.sourceKind == kSourceMemory) {
    raw = request.image;
  } else {
    return false;
  }
  auto image = LoadElfImage(raw, variant);
  if (!image) return false;
  file.reset();

  bool result = true;
  if (request.options & kOptClearInfoBlock) result = ClearInfoBlock(ctx, request);
  if (request.options & kOptApplication) {
    // The board's variant is asked again: the clear may not change it, but
    // the held serial decides every step.
    result = UpdateApplicationRegion(ctx, image->Application(), image->size, request.options,
                                     VariantOf(link.Identity()));
  }
  if (request.options & kOptBootloader) {
    if (auto boot = UpdateBootloader(ctx, *image, request.options, request.overrideLetter)) {
      result = *boot;
    }
  }
  if (result && (request.options & kOptRestart)) RestartBoard(link);
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
  if (fromBuiltIn) return BuiltInUpgrade(ctx);
  UpdateRequest request;
  request.sourceKind = kSourceFile;
  request.fileName = fileName.substr(0, 255);
  request.options = kOptionsUpdateApplication;
  return RunUpdateRequest(ctx, request);
}

std::optional<bool> FlashBootloaderCommand(UpdateContext& ctx, const std::string& fileName,
                                           bool wifi) {
  if (!ctx.ui.Ask("Are you sure?", "Bootloader Upgrade")) return std::nullopt;
  ctx.ui.StopMessagePoll();
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
