#include <array>

#include "devlink/board_link.h"

namespace vt::devlink {

namespace {

// Legacy pin-memory addresses and the port group / port register that the
// newer boards use for the same pin.
struct PinMapEntry {
  uint8_t pinAddress;
  uint8_t i2cid;
  uint8_t data1;
};

constexpr std::array<PinMapEntry, 11> kPinMapTable{{
    {0xA0, 1, 3},
    {0xA1, 1, 1},
    {0xA2, 1, 2},
    {0xA0, 1, 4},
    {0xA4, 3, 3},
    {0xA5, 3, 1},
    {0xA6, 3, 2},
    {0xD0, 2, 3},
    {0xD1, 2, 1},
    {0xD2, 2, 2},
    {0xD0, 2, 4},
}};

constexpr uint8_t kReadPinMemory = 0x08;
constexpr uint8_t kWritePinMemory = 0x18;
constexpr uint8_t kPortWrite = 0x38;

bool IsLegacyServiceClass(uint8_t cls) {
  switch (cls) {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xC0: case 0xD0: case 0xF0:
      return true;
    default:
      return false;
  }
}

}  // namespace

void BoardLink::MakeCompatible(Report& report) {
  uint8_t& cmd = report[kCmd];
  uint8_t& data = report[kData];
  uint8_t& addr = report[kAddr];
  uint8_t& i2cid = report[kI2cId];
  uint8_t& data1 = report[kData1];
  const uint8_t cls = static_cast<uint8_t>(cmd & 0xFC);
  const bool legacy = IsLegacyBoard();

  switch (cls) {
    case 0x00: case 0x10: case 0x20: case 0x28: case 0x78:
      return;

    case 0x08: case 0x18: {
      if (legacy) return;
      for (const PinMapEntry& e : kPinMapTable) {
        log_.Printf("\nWritePinMem, Addr=%X, Data=%X\n", addr, data);
        if (e.pinAddress != addr) continue;
        addr = static_cast<uint8_t>(~data);
        i2cid = e.i2cid;
        data1 = e.data1;
        cmd = kPortWrite;
        if (cls == 0x08) {
          addr = 0;
          data = 0;
        }
        return;
      }
      cmd = kUnsupportedCmd;
      return;
    }

    case 0x30:
      if (legacy) {
        addr = static_cast<uint8_t>((addr * 16) | 2);
        log_.Printf("\nADC_CH_CODE=%X", addr);
      } else {
        if ((addr & 0x80) != 0 && addr != 0xFF) addr = static_cast<uint8_t>(addr & 0x7F);
        if (addr <= 15) addr = static_cast<uint8_t>(addr & 7);
      }
      return;

    case 0x38: {
      if (!legacy) return;
      for (const PinMapEntry& e : kPinMapTable) {
        log_.Printf("\nWritePinMem, Addr=%X, Data=%X\n", addr, data);
        if (e.i2cid != i2cid || e.data1 != data1) continue;
        if (data1 == 2) {
          cmd = kReadPinMemory;
          data = e.pinAddress;
          i2cid = 0;
          return;
        }
        // Read-modify-write: fetch the pin's current value first. The nested
        // exchange reuses the link's buffers, so the report is kept aside and
        // put back before it is rewritten.
        const Report saved = report;
        const bool readOk = USBSendCommand(kReadPinMemory, e.pinAddress, e.pinAddress, 0, 0);
        const uint8_t current = lastReply_.d0;
        report = saved;
        if (!readOk) {
          // Without the current value the write would clobber the other
          // bits of the port; send nothing the board would act on.
          cmd = kUnsupportedCmd;
          return;
        }
        data = static_cast<uint8_t>((current | data) & ~addr);
        addr = e.pinAddress;
        i2cid = 0;
        data1 = 0;
        cmd = kWritePinMemory;
        return;
      }
      cmd = kUnsupportedCmd;
      return;
    }

    case 0x40:
      if (legacy) return;
      cmd = kPortWrite;
      addr = static_cast<uint8_t>(~data);
      i2cid = 1;
      data1 = 3;
      return;

    case 0x50:
      if (legacy) return;
      cmd = kPortWrite;
      addr = 0;
      data = 0;
      i2cid = 2;
      data1 = 2;
      return;

    case 0x60:
      i2cid = 0x60;
      data1 = 1;
      if (legacy && addr != 0 && addr != 0x3A) cmd = kUnsupportedCmd;
      return;

    default:
      // Older-board service commands reach legacy boards only.
      if (!(legacy && IsLegacyServiceClass(cls))) cmd = kUnsupportedCmd;
      return;
  }
}

}  // namespace vt::devlink
