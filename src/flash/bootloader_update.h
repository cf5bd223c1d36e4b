#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "flash/elf_loader.h"
#include "flash/update_context.h"

namespace vt::flash {

// Rewrites the identity record at `identityMarker` in `working` from the
// held board serial so the board keeps its letters, number and version
// digits. May change held board characters (legacy serial layout).
void RewriteIdentityRecord(std::span<uint8_t> working, size_t imageSize, size_t identityMarker,
                           devlink::BoardIdentity& board, uint16_t options, uint8_t overrideLetter);

// Programs the bootloader region of the working copy (up to its end
// marker) and records its checksum under tag 12 of the info block,
// appending the record when the block has none. False when the image has no
// end marker or a step fails.
bool ProgramBootloaderRegion(UpdateContext& ctx, std::span<const uint8_t> working);

// Asks, rewrites the identity record and programs the bootloader. Returns
// nothing when the image carries no identity record (the step is skipped),
// false when the user declines or a step fails.
std::optional<bool> UpdateBootloader(UpdateContext& ctx, LoadedImage& image, uint16_t options,
                                     uint8_t overrideLetter);

}  // namespace vt::flash
