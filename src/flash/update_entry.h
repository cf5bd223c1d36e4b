#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "flash/update_context.h"

namespace vt::flash {

// Where a request's image comes from.
inline constexpr uint16_t kSourceFile = 1;    // the file named in the request
inline constexpr uint16_t kSourceMemory = 3;  // an ELF image already in memory

// One firmware operation. The option word bits are in region_update.h.
struct UpdateRequest {
  uint16_t sourceKind = 0;
  std::string fileName;             // kind 1, at most 255 characters
  std::span<const uint8_t> image;   // kind 3
  uint16_t options = 0;
  uint8_t overrideLetter = 0;       // letter for option bit 2 on R-boards
};

// Option words of the entry points.
inline constexpr uint16_t kOptionsUpdateApplication = 0x112;
inline constexpr uint16_t kOptionsBootloaderFromFile = 0x101;
inline constexpr uint16_t kOptionsClearAndRestart = 0x180;
inline constexpr uint16_t kOptionsApplicationNoRestart = 0x12;
inline constexpr uint16_t kOptionsBootloaderNoRestart = 0x01;

// Loads the image and runs, in this order, the info-block clear (bit 7),
// the application region update (bit 1) and the bootloader update (bit 0);
// restarts the board at the end when all went well and bit 8 is set.
bool RunUpdateRequest(UpdateContext& ctx, const UpdateRequest& request);

// Asks "Delete info block?" and erases the info block (after keeping a
// copy). True also when the user declines.
bool ClearInfoBlock(UpdateContext& ctx, const UpdateRequest& request);

// Upgrades the board from the image built into the panel, in two stages on
// 'W' boards whose character 1 is '7' or 0x7F.
bool BuiltInUpgrade(UpdateContext& ctx);

// The main window's firmware commands, without the window. Each returns
// nothing when no update ran (unsupported, or not confirmed), else the
// update's result.
//   105: update from `fileName`; 107: BuiltInUpgrade.
std::optional<bool> FirmwareUpdateCommand(UpdateContext& ctx, bool fromBuiltIn,
                                          const std::string& fileName);
//   108 "Flash Bootloader": bootloader from `fileName`; `wifi` sets the
//   override letter "T".
std::optional<bool> FlashBootloaderCommand(UpdateContext& ctx, const std::string& fileName,
                                           bool wifi);

}  // namespace vt::flash
