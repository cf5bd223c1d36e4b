// What the firmware checks when it starts after a restart: the application
// and bootloader regions against the checksums of the info block (tags 2
// and 12), and the bootloader's identity record, whose text becomes the
// serial-number string the board presents from now on. Only findings that
// differ from a healthy board are reported as messages.
#include <cstdio>
#include <optional>

#include "sim/board/board_internal.h"

namespace vt::sim {

namespace {

constexpr size_t kBlockBytes = 2048;
constexpr size_t kRegionScan = 0x10000;
constexpr size_t kIdentityChars = 20;

std::optional<size_t> FindMarker(const std::vector<uint8_t>& b, size_t from, uint8_t low) {
  for (size_t p = from; p + 4 <= b.size(); ++p) {
    if (b[p] == low && b[p + 1] == 0x24 && b[p + 2] == low && b[p + 3] == 0x24) return p;
  }
  return std::nullopt;
}

uint16_t Sum(const std::vector<uint8_t>& b, size_t from, size_t to, bool bigEndian) {
  uint32_t sum = 0;
  for (size_t p = from; p < to; p += 2) {
    const uint8_t first = b[p];
    const uint8_t second = p + 1 < b.size() ? b[p + 1] : 0;
    sum += bigEndian ? (uint32_t{first} << 8 | second) : (first | uint32_t{second} << 8);
  }
  return static_cast<uint16_t>(sum);
}

// Payload of `tag` in the info block's record chain.
std::optional<uint16_t> StoredChecksum(const std::vector<uint8_t>& block, uint16_t tag) {
  size_t at = 0;
  for (int guard = 0; guard < 512 && at + 6 <= block.size(); ++guard) {
    const uint16_t t = static_cast<uint16_t>(block[at] | block[at + 1] << 8);
    const uint16_t len = static_cast<uint16_t>(block[at + 2] | block[at + 3] << 8);
    if (t == tag) return static_cast<uint16_t>(block[at + 4] | block[at + 5] << 8);
    if (t == 0xFFFF || len < 4) break;
    at += len;
  }
  return std::nullopt;
}

std::string Hex4(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v);
  return text;
}

}  // namespace

void VirtualBoard::CheckFirmware() {
  const bool big = config_.bigEndianChecksums;
  const auto block = Peek(config_.infoBlockAddress, kBlockBytes);

  const auto app = Peek(config_.versionAreaAddress, kRegionScan);
  const size_t marker = config_.versionMarkerOffset;
  const bool hasApp = app.size() >= marker + 4 && app[marker] == 0x27 && app[marker + 1] == 0x24 &&
                      app[marker + 2] == 0x27 && app[marker + 3] == 0x24;
  if (auto end = hasApp ? FindMarker(app, marker, 0x28) : std::nullopt) {
    const uint16_t sum = Sum(app, 0, *end + 4, big);
    const auto stored = StoredChecksum(block, 2);
    if (stored && *stored != sum) {
      Emit("Application checksum mismatch: flash " + Hex4(sum) + ", info block " + Hex4(*stored));
    }
  }

  const auto boot = Peek(config_.bootloaderAddress, kRegionScan);
  auto bootEnd = FindMarker(boot, 0, 0x26);
  if (!bootEnd) return;
  const uint16_t bootSum = Sum(boot, 0, *bootEnd + 4, big);
  const auto stored = StoredChecksum(block, 12);
  if (stored && *stored != bootSum) {
    Emit("Bootloader checksum mismatch: flash " + Hex4(bootSum) + ", info block " + Hex4(*stored));
  }
  // The bootloader presents the serial-number string of its identity record.
  auto identity = FindMarker(boot, 0, 0x2B);
  if (!identity || *identity > *bootEnd) return;
  std::u16string serial;
  for (size_t k = 0; k < kIdentityChars; ++k) {
    const size_t at = *identity + 6 + 2 * k;
    if (at + 1 >= *bootEnd) break;
    const auto unit = static_cast<char16_t>(boot[at] | boot[at + 1] << 8);
    if (unit == 0) break;
    serial += unit;
  }
  if (!serial.empty() && serial != config_.serial) config_.serial = serial;
}

}  // namespace vt::sim
