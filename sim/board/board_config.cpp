#include "sim/board/board_config.h"

#include <algorithm>

namespace vt::sim {

namespace {

using Kind = MemoryRegion::Kind;

// Serial as the bootloader's identity record holds it, and as the panel
// rewrites it on every bootloader update: variant letter, second letter 'V',
// board number (characters 2-9), '-', series digit (11), separator (12), the
// board's two minor-version digits (13-14), kept across bootloader updates,
// and the minor-version digits of the image its bootloader came with
// (15-16).
std::u16string FactorySerial(char letter, uint16_t minor, char16_t separator = u'-') {
  const auto digits = [minor] {
    std::u16string d;
    d += static_cast<char16_t>(u'0' + (minor / 10) % 10);
    d += static_cast<char16_t>(u'0' + minor % 10);
    return d;
  };
  std::u16string s;
  s += static_cast<char16_t>(letter);
  s += u"V00004711-2";
  s += separator;
  s += digits();
  s += digits();
  return s;
}

// Standard map: 256 KiB of program flash in 1 KiB sectors (application from
// 0x2800, bootloader from 0x20000), the info block in its own 512-byte
// sector flash, RAM with the staging buffer, and the peripheral registers.
void StandardMap(BoardConfig& c) {
  c.regions = {
      {"program flash", 0x00000, 0x40000, Kind::kFlash, 1024},
      {"info flash", 0xE0000, 0x800, Kind::kFlash, 512},
      {"ram", 0xE8000, 0x8000, Kind::kRam, 0},
      {"registers", 0xFFFE00, 0x200, Kind::kRegisters, 0},
  };
  c.aliases.clear();
  c.stagingAddress = 0xED200;
  c.stagingSize = 0x800;
  c.infoBlockAddress = 0xE0000;
  c.versionAreaAddress = 0x2800;
  c.versionMarkerOffset = 8;
  c.bootloaderAddress = 0x20000;
  c.bigEndianChecksums = false;
}

}  // namespace

uint8_t BoardConfig::SerialChar(size_t k) const {
  return k < serial.size() ? static_cast<uint8_t>(serial[k] & 0xFF) : 0;
}

bool BoardConfig::IsLegacy() const { return (version >> 8) <= 4 && SerialChar(0) < 'A'; }

bool BoardConfig::IsVariantR() const { return SerialChar(0) == 'R'; }

bool BoardConfig::NeedsSendTwice() const {
  return SerialChar(0) == 'W' && (SerialChar(12) == 0x7F || SerialChar(12) == 0);
}

BoardConfig BoardConfig::Standard(char letter) {
  BoardConfig c;
  c.preset = std::string("standard-") + letter;
  c.vendorId = 0x16C0;
  c.productId = 0xC35C;
  c.version = 0x0520;
  c.serial = FactorySerial(letter, c.firmwareMinor);
  StandardMap(c);
  return c;
}

// The A/B firmware keeps its flash from address 0 with the info block at
// 0x38000 and RAM at 0x40000000, in banks of 4 KiB sectors except the
// bootloader bank (1 KiB). It mirrors the info block and the staging buffer
// at the standard board's addresses, so both address sets reach the same
// bytes: an erase at 0xE0000-0xE07FF erases the 4 KiB sector behind it.
BoardConfig BoardConfig::VariantAB(char letter) {
  BoardConfig c;
  c.preset = letter == 'B' ? "b" : "ab";
  c.vendorId = 0x16C0;
  c.productId = 0xC360;
  c.version = 0x0610;
  c.serial = FactorySerial(letter, c.firmwareMinor);
  c.regions = {
      {"application flash", 0x00000, 0x20000, Kind::kFlash, 4096},
      {"bootloader flash", 0x20000, 0x10000, Kind::kFlash, 1024},
      {"settings flash", 0x30000, 0x10000, Kind::kFlash, 4096},
      {"ram", 0x40000000, 0x8000, Kind::kRam, 0},
      {"registers", 0xFFFE00, 0x200, Kind::kRegisters, 0},
  };
  c.aliases = {{0xE0000, 0x800, 0x38000}, {0xED200, 0x800, 0x40004200}};
  c.stagingAddress = 0x40004200;
  c.stagingSize = 0x800;
  c.infoBlockAddress = 0x38000;
  c.versionAreaAddress = 0x2800;
  c.versionMarkerOffset = 20;
  c.bootloaderAddress = 0x20000;
  return c;
}

// R-board: RAM from 0 (staging at 0x5000) and 256 KiB of flash in 512-byte
// sectors from 0x80000000; big-endian firmware.
BoardConfig BoardConfig::VariantR() {
  BoardConfig c;
  c.preset = "r";
  c.vendorId = 0x10C4;
  c.productId = 0x82CD;
  c.version = 0x0700;
  c.serial = FactorySerial('R', c.firmwareMinor);
  c.regions = {
      {"ram", 0x00000, 0x8000, Kind::kRam, 0},
      {"flash", 0x80000000, 0x40000, Kind::kFlash, 512},
  };
  c.stagingAddress = 0x5000;
  c.stagingSize = 0x800;
  c.infoBlockAddress = 0x8003F000;
  c.versionAreaAddress = 0x80007000;
  c.versionMarkerOffset = 20;
  c.bootloaderAddress = 0x80038000;
  c.bigEndianChecksums = true;
  return c;
}

// Older generation: numeric serial, release 3.x, short reports, replies as
// input reports.
BoardConfig BoardConfig::Legacy() {
  BoardConfig c = Standard('W');
  c.preset = "legacy";
  c.vendorId = 0x0400;
  c.productId = 0xC35F;
  c.version = 0x0312;
  c.inputReportLength = 33;
  c.outputReportLength = 33;
  c.serial = FactorySerial('1', c.firmwareMinor);
  return c;
}

BoardConfig BoardConfig::SendTwice(bool twelveChars) {
  BoardConfig c = Standard('W');
  c.preset = twelveChars ? "send-twice-12" : "send-twice";
  c.version = 0x0500;
  c.serial = FactorySerial('W', c.firmwareMinor, char16_t{0x7F});
  if (twelveChars) c.serial.resize(12);
  return c;
}

std::optional<BoardConfig> BoardConfig::FromPreset(std::string_view name) {
  if (name == "standard") return Standard('W');
  if (name.size() == 10 && name.substr(0, 9) == "standard-") {
    const char letter = name[9];
    if (std::string_view("WVMNOX").find(letter) != std::string_view::npos) return Standard(letter);
    return std::nullopt;
  }
  if (name == "ab" || name == "a") return VariantAB('A');
  if (name == "b") return VariantAB('B');
  if (name == "r") return VariantR();
  if (name == "legacy") return Legacy();
  if (name == "send-twice") return SendTwice(false);
  if (name == "send-twice-12") return SendTwice(true);
  return std::nullopt;
}

std::vector<std::string> BoardConfig::PresetNames() {
  return {"standard",   "standard-V", "standard-M", "standard-N", "standard-O",
          "standard-X", "ab",         "b",          "r",          "legacy",
          "send-twice", "send-twice-12"};
}

}  // namespace vt::sim
