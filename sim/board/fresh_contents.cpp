// What a board leaves the factory with: application and bootloader code with
// their marker records, and an info block holding the header, both
// checksums and seven ready-to-use profiles.
#include <array>

#include "sim/board/board_internal.h"

namespace vt::sim {

namespace {

constexpr uint32_t kApplicationLength = 0x600;
constexpr uint32_t kBootloaderLength = 0x300;
constexpr uint32_t kIdentityOffset = 0x100;  // in the bootloader

// Filler that stands in for machine code. It never holds 0x24, so it cannot
// form a marker by accident.
void FillCode(std::vector<uint8_t>& image, uint32_t seed) {
  uint32_t x = seed;
  for (auto& b : image) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
    if (b == 0x24) b = 0x25;
  }
}

void PutMarker(std::vector<uint8_t>& image, size_t at, uint8_t low) {
  image[at] = image[at + 2] = low;
  image[at + 1] = image[at + 3] = 0x24;
}

// Sum of 16-bit words over the region, little-endian or byte-swapped.
uint16_t Checksum(const std::vector<uint8_t>& region, bool bigEndian) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < region.size(); i += 2) {
    const uint8_t lo = bigEndian ? region[i + 1] : region[i];
    const uint8_t hi = bigEndian ? region[i] : region[i + 1];
    sum += uint32_t{lo} | uint32_t{hi} << 8;
  }
  if (region.size() % 2) sum += bigEndian ? uint32_t{region.back()} << 8 : region.back();
  return static_cast<uint16_t>(sum);
}

struct ProfileSeed {
  int16_t camera;
  uint16_t method, mode, iso, program, tv, av, focus, zoom, size, quality, shots, interval,
      options, wb;
  uint8_t panNext, panApply, tilt1, tilt2, tilt3, tilt4, fingerIdle, fingerHalf, fingerFull,
      nShots, delayBefore, delayAfter, battery, startup, tilt5, tiltApply, panStart, panSteps,
      pause;
};

// Seven profiles as the factory sets them up: an intervalometer, the motion
// patterns, radio and servo-only set-ups.
constexpr std::array<ProfileSeed, 7> kProfiles{{
    {0x4001, 1, 16, 0, 1, 96, 32, 0xFFFF, 0, 0, 5, 0, 10, 0x0000, 0,
     170, 5, 150, 160, 170, 180, 150, 130, 120, 1, 5, 5, 0, 0, 190, 5, 150, 0, 0},
    {0x4017, 3, 18, 72, 2, 101, 48, 1, 3, 0, 3, 0, 5, 0x0020, 1,
     180, 9, 140, 150, 160, 170, 150, 135, 125, 2, 10, 10, 36, 0, 180, 9, 120, 12, 9},
    {-3, 9, 20, 0xFFFF, 1, 88, 40, 0xFFFF, 0, 0xFFFF, 0xFFFF, 24, 20, 0x0004, 0xFFFF,
     165, 200, 150, 150, 150, 150, 150, 130, 115, 1, 0, 0, 0, 1, 150, 200, 150, 24, 0},
    {813, 2, 11, 0xFFFF, 1, 80, 56, 0xFFFF, 2, 0xFFFF, 0xFFFF, 0, 1, 0x0000, 0xFFFF,
     160, 0, 130, 140, 150, 160, 150, 140, 130, 3, 2, 2, 0, 0, 170, 0, 0, 0, 0},
    {-32726, 1, 1, 72, 0, 96, 32, 5, 0, 48, 0xFFFF, 0, 1, 0x0008, 0,
     150, 10, 150, 150, 150, 150, 150, 150, 150, 1, 0, 0, 70, 0, 150, 10, 0, 0, 0},
    {-4, 4, 25, 0xFFFF, 1, 93, 45, 0xFFFF, 0, 0xFFFF, 0xFFFF, 0, 60, 0x0080, 0xFFFF,
     175, 7, 145, 155, 165, 175, 150, 130, 120, 5, 3, 3, 0, 3, 185, 7, 130, 0, 10},
    {7752, 5, 29, 0xFFFF, 1, 88, 40, 0xFFFF, 1, 0xFFFF, 0xFFFF, 0, 120, 0x0040, 0xFFFF,
     155, 3, 150, 155, 160, 165, 150, 125, 110, 1, 1, 1, 0, 10, 170, 3, 100, 6, 22},
}};

std::array<uint8_t, 80> StoredRecord(const ProfileSeed& p, int number) {
  std::array<uint8_t, 80> r{};
  // Profile 1's header carries the default profile and servo units in its
  // high byte (default #1, milliseconds); the others carry their number.
  PutLe16(&r[0], number == 1 ? uint16_t{0} : static_cast<uint16_t>(number));
  const uint16_t words[] = {static_cast<uint16_t>(p.camera), p.method, p.mode, 0, p.iso,
                            p.program, p.tv, p.av, p.focus, p.zoom, p.size, p.quality, p.shots,
                            p.interval, p.options, p.wb};
  for (size_t i = 0; i < std::size(words); ++i) PutLe16(&r[4 + 2 * i], words[i]);
  const uint8_t bytes[] = {p.panNext,     p.panApply,   p.tilt1,      p.tilt2,   p.tilt3,
                           p.tilt4,       p.fingerIdle, p.fingerHalf, p.fingerFull, p.nShots,
                           p.delayBefore, p.delayAfter, p.battery,    p.startup, p.tilt5,
                           p.tiltApply,   p.panStart,   p.panSteps,   p.pause};
  for (size_t i = 0; i < std::size(bytes); ++i) r[36 + i] = bytes[i];
  return r;
}

}  // namespace

void VirtualBoard::FillFresh() {
  const bool big = config_.bigEndianChecksums;

  // Application: version record at its fixed offset, end marker at the end.
  std::vector<uint8_t> app(kApplicationLength);
  FillCode(app, 0xA11CE);
  const size_t marker = config_.versionMarkerOffset;
  PutMarker(app, marker, 0x27);
  PutLe16(&app[marker + 4], config_.firmwareMinor);
  PutLe16(&app[marker + 6], config_.firmwareBuild);
  PutMarker(app, app.size() - 4, 0x28);
  Poke(config_.versionAreaAddress, app);
  const uint16_t appSum = Checksum(app, big);

  // Bootloader: identity record with the serial as the bootloader shows it.
  std::vector<uint8_t> boot(kBootloaderLength);
  FillCode(boot, 0xB007);
  PutMarker(boot, kIdentityOffset, 0x2B);
  boot[kIdentityOffset + 4] = boot[kIdentityOffset + 5] = 0;
  for (size_t k = 0; k < 20; ++k) {
    PutLe16(&boot[kIdentityOffset + 6 + 2 * k], k < config_.serial.size() ? config_.serial[k] : 0);
  }
  PutMarker(boot, boot.size() - 4, 0x26);
  Poke(config_.bootloaderAddress, boot);
  const uint16_t bootSum = Checksum(boot, big);

  // Info block: header (tag 1), application checksum (tag 2), profiles
  // (tag 11), bootloader checksum (tag 12), then erased flash.
  std::vector<uint8_t> block(2048, 0xFF);
  size_t at = 0;
  auto record = [&](uint16_t tag, uint16_t length) {
    PutLe16(&block[at], tag);
    PutLe16(&block[at + 2], length);
    uint8_t* payload = &block[at + 4];
    at += length;
    return payload;
  };
  uint8_t* header = record(1, 8);
  PutLe16(header, 1);
  PutLe16(header + 2, 0);
  PutLe16(record(2, 6), appSum);
  uint8_t* profiles = record(11, 644);
  for (int n = 1; n <= 7; ++n) {
    const auto r = StoredRecord(kProfiles[static_cast<size_t>(n - 1)], n);
    std::copy(r.begin(), r.end(), profiles + 80 * (n - 1));
  }
  // The eighth slot holds the firmware's own calibration bytes.
  for (size_t i = 0; i < 80; ++i) profiles[560 + i] = static_cast<uint8_t>(0x5A ^ i);
  PutLe16(record(12, 6), bootSum);
  Poke(config_.infoBlockAddress, block);
}

}  // namespace vt::sim
