#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/region_update.h"

namespace vt::flash {

// What the update procedures would find in an image, per board variant.
struct VariantInspection {
  BoardVariant variant = BoardVariant::kStandard;
  bool loads = false;                         // header accepted, segments in bounds
  size_t size = 0;                            // loaded size
  std::vector<LoadedSegment> segments;        // loadable segments as placed
  std::optional<ApplicationRegion> application;
  std::optional<size_t> bootEnd;              // bootloader end marker
  std::optional<uint16_t> bootChecksum;
  std::optional<size_t> identity;             // identity record
  std::string identityText;                   // its characters, as stored
  std::optional<FirmwareVersion> version;
};

struct ImageInspection {
  bool stored = false;  // the input was in stored form and was decoded first
  std::vector<VariantInspection> variants;
};

// Loads `bytes` for every variant; when no variant accepts them as they
// are, tries them as a stored image.
ImageInspection InspectFirmwareImage(std::span<const uint8_t> bytes);

}  // namespace vt::flash
