#include "flash/firmware_version.h"

#include <array>

#include "flash/board_addresses.h"
#include "flash/firmware_file_check.h"
#include "flash/flash_commands.h"
#include "flash/markers.h"

namespace vt::flash {

namespace {
constexpr uint32_t kVersionAreaBytes = 255;
constexpr size_t kIdentitySearchBytes = 131072;
constexpr size_t kIdentitySeriesOffset = 24;  // record character 9
constexpr uint16_t kDefaultSeries = 2;

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
}  // namespace

bool ReadBoardFirmwareVersion(devlink::BoardLink& link, FirmwareVersion* out) {
  std::array<uint8_t, kVersionAreaBytes> area{};
  // The first read wakes the board's read-back path; its data is not used.
  ReadBoardMemory(link, 0, kVersionAreaBytes, area.data());
  area.fill(0);
  if (!ReadBoardMemory(link, VersionAreaAddress(link.Identity()), kVersionAreaBytes, area.data())) {
    return false;
  }
  const auto& id = link.Identity();
  FirmwareVersion v;
  v.series = static_cast<uint16_t>(id.SerialChar(11) & 0x0F);
  if (v.series > 9) return false;
  auto record = FindVersionRecord(area, area.size());
  if (!record) return false;
  if (IsDigit(id.SerialChar(13))) {
    v.minor = static_cast<uint16_t>(10 * (id.SerialChar(13) & 0x0F) + (id.SerialChar(14) & 0x0F));
  }
  if (record->minor != kVersionFieldUnset) {
    v.minor = record->minor;
    if (record->build != kVersionFieldUnset) v.build = record->build;
  }
  if (out != nullptr) *out = v;
  return true;
}

std::optional<FirmwareVersion> ImageFirmwareVersion(std::span<const uint8_t> decoded) {
  auto record = FindVersionRecord(decoded, decoded.size());
  if (!record) return std::nullopt;
  FirmwareVersion v;
  v.minor = record->minor;
  v.build = record->build;
  v.series = kDefaultSeries;
  if (auto identity = FindMarker(decoded, 0, kIdentitySearchBytes, kIdentityMarker)) {
    const size_t at = *identity + kIdentitySeriesOffset;
    // A record cut off by the end of the image has no series character.
    v.series = at < decoded.size() ? static_cast<uint16_t>(decoded[at] & 0x0F) : 0;
  }
  return v;
}

std::optional<FirmwareVersion> BuiltInFirmwareVersion(const devlink::BoardIdentity& id,
                                                      ResourceLookup lookup) {
  auto image = DecodeStoredImage(id.IsVariantR() ? kRBoardImageResource : kStandardImageResource,
                                 lookup);
  if (!image) return std::nullopt;
  return ImageFirmwareVersion(*image);
}

int CompareVersions(const std::optional<FirmwareVersion>& board,
                    const std::optional<FirmwareVersion>& image) {
  if (!board || !image) return -1;
  if (board->series > image->series) return -2;
  if (board->minor < image->minor) return 1;
  // The build number only orders firmware of the same minor version: a
  // board with a newer minor and a lower build is not older.
  if (board->minor == image->minor && board->build < image->build) return 1;
  return 0;
}

bool BuiltInImageApplies(const devlink::BoardIdentity& id, ResourceLookup lookup,
                         std::string* why) {
  auto image = DecodeStoredImage(id.IsVariantR() ? kRBoardImageResource : kStandardImageResource,
                                 lookup);
  if (!image) {
    if (why != nullptr) *why = "there is no built-in image for this board";
    return false;
  }
  // Checked as the built-in upgrade runs it: the decoded bytes as they are.
  const auto check = CheckFirmwareImage(*image, VariantOf(id), UpdatePart::kApplication);
  if (!check.ok() && why != nullptr) *why = check.reason;
  return check.ok();
}

int CompareFirmwareVersion(devlink::BoardLink& link, ResourceLookup lookup) {
  FirmwareVersion board;
  std::optional<FirmwareVersion> boardVersion;
  if (ReadBoardFirmwareVersion(link, &board)) boardVersion = board;
  if (!BuiltInImageApplies(link.Identity(), lookup)) return -1;
  return CompareVersions(boardVersion, BuiltInFirmwareVersion(link.Identity(), lookup));
}

}  // namespace vt::flash
