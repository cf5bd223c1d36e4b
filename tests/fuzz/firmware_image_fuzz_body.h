#pragma once

// What the firmware image fuzzer runs on one input: every parser and scan
// that a user-chosen file or a built-in resource reaches before any board
// traffic. Shared by the libFuzzer target and the corpus test.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/bootloader_update.h"
#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/markers.h"
#include "flash/region_update.h"
#include "flash/stored_image.h"

namespace vt::flash::fuzz {

// The loaded images of one input, one per variant. Their working buffers
// (128 or 256 KiB) are reused from input to input: a fresh one each time
// cost more than everything the input runs.
struct FirmwareImageScratch {
  std::array<LoadedImage, 3> images;
};

inline void RunFirmwareImageInputOn(std::span<const uint8_t> data, FirmwareImageScratch& scratch) {
  size_t slot = 0;
  for (BoardVariant v : {BoardVariant::kStandard, BoardVariant::kAB, BoardVariant::kR}) {
    LoadedImage* image = &scratch.images[slot++];
    if (!LoadElfImageInto(data, v, *image)) continue;
    LocateApplicationRegion(image->Application(), image->size, v);
    ImageFirmwareVersion(image->Working());
    if (auto identity = FindMarker(image->working, 0, image->size, kIdentityMarker)) {
      devlink::BoardIdentity board;
      const char* serial = v == BoardVariant::kR ? "R7000047110-2.05" : "W7000-47110-2.05";
      for (size_t k = 0; serial[k] != '\0'; ++k) {
        board.SetSerialChar(k, static_cast<uint8_t>(serial[k]));
      }
      RewriteIdentityRecord(image->working, image->size, *identity, board, kOptLetterOverride, 'T');
    }
  }
  const auto decoded = DecodeStoredImage(data);
  ImageFirmwareVersion(decoded);
  EncodeStoredImage(decoded);
}

inline void RunFirmwareImageInput(std::span<const uint8_t> data) {
  static FirmwareImageScratch scratch;
  RunFirmwareImageInputOn(data, scratch);
}

}  // namespace vt::flash::fuzz
