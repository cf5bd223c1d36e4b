#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "devlink/board_link.h"
#include "flash/stored_image.h"

namespace vt::flash {

// Shown to the user as "Firmware version: %d.%d.%d".
struct FirmwareVersion {
  uint16_t series = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
};

// Reads the board's version from its serial string and its firmware version
// area. False when the board cannot be read, its series digit is above 9 or
// the version area holds no version record.
bool ReadBoardFirmwareVersion(devlink::BoardLink& link, FirmwareVersion* out);

// The version of a decoded application image: minor and build from its
// version record, series from its bootloader identity record (2 without
// one). Nothing when the image has no version record.
std::optional<FirmwareVersion> ImageFirmwareVersion(std::span<const uint8_t> decoded);

// The version of the built-in image for this board's variant.
std::optional<FirmwareVersion> BuiltInFirmwareVersion(const devlink::BoardIdentity& id,
                                                      ResourceLookup lookup = &BuiltInResource);

// Whether the built-in image for this board's variant passes the checks of
// an application update on this board; the reason in `why` when not.
bool BuiltInImageApplies(const devlink::BoardIdentity& id, ResourceLookup lookup,
                         std::string* why = nullptr);

// Comparison of two known-or-unknown versions (see CompareFirmwareVersion).
int CompareVersions(const std::optional<FirmwareVersion>& board,
                    const std::optional<FirmwareVersion>& image);

// -1 either version unknown, or the built-in image cannot be applied to
// this board (so no upgrade is offered that the update would refuse); -2 the board's series is newer than the
// built-in image's; 1 the board is older than the built-in image; else 0.
int CompareFirmwareVersion(devlink::BoardLink& link, ResourceLookup lookup = &BuiltInResource);

}  // namespace vt::flash
