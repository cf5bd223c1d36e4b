#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::sim {

// One block of the board's address space.
//   kFlash: erased by sector to 0xFF, programmed only through the staging
//           buffer, and programming ANDs the new bits into the old ones.
//   kRam, kRegisters: plain storage that write pieces change directly.
struct MemoryRegion {
  enum class Kind { kFlash, kRam, kRegisters };
  std::string name;
  uint32_t base = 0;
  uint32_t size = 0;
  Kind kind = Kind::kRam;
  uint32_t sectorSize = 0;  // flash only
};

// A second address window onto part of a region (the A/B firmware mirrors
// its info block and staging buffer at the standard board's addresses).
struct MemoryAlias {
  uint32_t base = 0;
  uint32_t size = 0;
  uint32_t target = 0;
};

// Everything that makes one board different from another: USB identity,
// report lengths, address map and the firmware it ships with.
struct BoardConfig {
  std::string preset;  // the preset this was made from, for logs

  // USB identity.
  uint16_t vendorId = 0x16C0;
  uint16_t productId = 0xC35C;
  uint16_t version = 0x0520;  // release number, major in the high byte
  std::u16string serial;
  uint16_t inputReportLength = 65;   // report ID byte included
  uint16_t outputReportLength = 65;  // report ID byte included

  // Address map.
  std::vector<MemoryRegion> regions;
  std::vector<MemoryAlias> aliases;
  uint32_t stagingAddress = 0xED200;
  uint32_t stagingSize = 0x800;
  uint32_t infoBlockAddress = 0xE0000;
  uint32_t versionAreaAddress = 0x2800;  // start of the application region
  uint32_t versionMarkerOffset = 8;      // version record offset from that start
  uint32_t bootloaderAddress = 0x20000;
  bool bigEndianChecksums = false;       // R firmware sums byte-swapped words

  // Firmware the board ships with.
  uint16_t firmwareMinor = 5;
  uint16_t firmwareBuild = 10;
  bool freshContents = true;  // fill flash with firmware and a valid info block

  // A restart re-enumerates the board, so handles opened before it die.
  bool restartDropsHandles = true;

  // Serial character k (low byte of unit k); 0 past the end.
  uint8_t SerialChar(size_t k) const;
  // Version major <= 4 and a serial that starts below 'A': replies come as
  // input reports and requests use 0x24/0x25.
  bool IsLegacy() const;
  bool IsVariantR() const;
  // A 'W' board whose character 12 is 0x7F or the terminator takes every
  // flash report and read-back twice.
  bool NeedsSendTwice() const;

  // Presets. Serials follow the bootloader's identity record: letter, 'V',
  // board number at 2-9, '-' at 10, series digit at 11, '-' at 12, the
  // board's two-digit minor at 13-14 and the bootloader image's at 15-16.
  static BoardConfig Standard(char letter = 'W');
  static BoardConfig VariantAB(char letter = 'A');
  static BoardConfig VariantR();
  static BoardConfig Legacy();
  // twelveChars: the serial ends after character 11; otherwise character 12
  // is 0x7F.
  static BoardConfig SendTwice(bool twelveChars = false);

  // By name: "standard" (also "standard-V", "-M", "-N", "-O", "-X"), "ab",
  // "b", "r", "legacy", "send-twice", "send-twice-12".
  static std::optional<BoardConfig> FromPreset(std::string_view name);
  static std::vector<std::string> PresetNames();
};

}  // namespace vt::sim
