#pragma once

// The checks a firmware file passes before anyone is asked whether to
// update: readable regular file, an ELF executable for the board, segments
// inside the file and the board's flash, the region the update programs
// and its version. `firmware inspect` and `firmware update` both run these,
// so they reach the same verdict for the same file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/region_update.h"
#include "flash/update_context.h"

namespace vt::flash {

// What an update of this kind would program.
enum class UpdatePart : uint8_t { kApplication, kBootloader };

struct FirmwareCheck {
  UpdateStep failedStep = UpdateStep::kNone;  // kOpen or kCheck
  std::string reason;                         // why it was refused
  std::optional<LoadedImage> image;
  std::optional<ApplicationRegion> application;
  std::optional<size_t> bootEnd;              // bootloader end marker
  std::optional<size_t> identity;             // bootloader identity record
  std::optional<FirmwareVersion> version;
  bool ok() const { return failedStep == UpdateStep::kNone; }
};

// Reads the file the way an update does: a regular file, its first
// WorkingBytes(variant) bytes, zero-padded to that size.
std::optional<std::vector<uint8_t>> ReadFirmwareFile(const std::string& path, BoardVariant variant,
                                                     std::string* error);

// Checks raw ELF bytes (already padded) for the variant and the part.
FirmwareCheck CheckFirmwareImage(std::span<const uint8_t> raw, BoardVariant variant,
                                 UpdatePart part);
// Reads and checks a file.
FirmwareCheck CheckFirmwareFile(const std::string& path, BoardVariant variant, UpdatePart part);

// "can update the application of standard boards: 0x2800..0x4f0c, ..." or
// "application update refused for standard boards: REASON".
std::string FirmwareVerdict(const FirmwareCheck& check, BoardVariant variant, UpdatePart part);

}  // namespace vt::flash
