#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vt::devlink {

// Everything the panel knows about the attached board. Filled by detection,
// overwritten by each later successful detection, untouched by a failed one.
struct BoardIdentity {
  static constexpr size_t kSerialBytes = 255;

  std::string devicePath;       // at most 255 characters
  uint8_t versionMajor = 0;     // high byte of the HID release number
  uint8_t versionMinor = 0;     // low byte
  // Serial-number string as the HID stack returns it: 16-bit units, low byte
  // first. One spare byte keeps character 127's high byte addressable.
  std::array<uint8_t, kSerialBytes + 1> serial{};
  bool sendTwice = false;       // computed once at detection
  uint8_t threadId = 0;         // transaction tag
  uint16_t inputReportByteLength = 0;
  uint16_t outputReportByteLength = 0;

  // Character k of the serial-number string: the low byte of its k-th unit.
  uint8_t SerialChar(size_t k) const { return 2 * k < kSerialBytes ? serial[2 * k] : 0; }
  void SetSerialChar(size_t k, uint8_t c) {
    if (2 * k < kSerialBytes) serial[2 * k] = c;
  }
  // The serial string as plain text (characters up to the first zero).
  std::string SerialText() const;

  bool IsLegacyBoard() const { return versionMajor <= 4 && SerialChar(0) < 'A'; }
  bool IsVariantR() const { return SerialChar(0) == 'R'; }
  static bool ComputeSendTwice(const BoardIdentity& id) {
    return id.SerialChar(0) == 'W' && (id.SerialChar(12) == 0x7F || id.SerialChar(12) == 0);
  }
};

// The five bytes of the latest command reply.
struct LastReply {
  uint8_t d0 = 0;
  uint8_t status = 0;
  uint8_t d1 = 0;
  uint8_t d2 = 0;
  uint8_t threadId = 0;
};

// Status codes of command operations.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusNoResponse = 0x84;
inline constexpr uint8_t kStatusFailed = 0x8A;

// Vendor and product ids of the board; any listed vendor with any listed
// product is accepted.
bool IsAcceptedVendor(uint16_t vendorId);
bool IsAcceptedProduct(uint16_t productId);

}  // namespace vt::devlink
