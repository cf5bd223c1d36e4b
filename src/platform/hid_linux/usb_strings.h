#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "platform/hid_linux/sysfs_hidraw.h"

struct libusb_context;
struct libusb_device_handle;

namespace vt::platform::hidraw {

inline constexpr uint16_t kLangIdEnglishUs = 0x0409;

// Copies the content of a string descriptor (what the device sent, header
// first) into `out`, without the two-byte header, at most out.size() bytes.
// The descriptor's own length byte bounds the content; the type byte is not
// checked because the board answers with raw data. std::nullopt when fewer
// than two bytes arrived or the length byte is below 2.
std::optional<size_t> StripStringDescriptor(std::span<const uint8_t> received,
                                            std::span<uint8_t> out);

// Device-directed USB string requests (GET_DESCRIPTOR(STRING)) to the USB
// device behind a hidraw node. No interface is claimed, so the kernel's HID
// driver stays bound; usbfs allows standard device requests without a claim.
class UsbStringReader {
 public:
  static constexpr unsigned kTimeoutMs = 2000;

  UsbStringReader() = default;
  ~UsbStringReader();
  UsbStringReader(const UsbStringReader&) = delete;
  UsbStringReader& operator=(const UsbStringReader&) = delete;

  // Opens the USB device at `where` through its device node under
  // `devRoot` (only tests move it), or failing that through libusb's device
  // list; `context` must outlive the reader.
  bool Open(libusb_context* context, UsbLocation where,
            const std::filesystem::path& devRoot = "/dev");
  bool IsOpen() const { return handle_ != nullptr; }

  // String descriptor `index` into `out`; the number of bytes placed.
  std::optional<size_t> ReadString(uint8_t index, std::span<uint8_t> out);
  // The device descriptor's serial-number string index (0: none).
  uint8_t SerialIndex() const { return serialIndex_; }

 private:
  libusb_device_handle* handle_ = nullptr;
  uint8_t serialIndex_ = 0;
  int fd_ = -1;  // the device node, when opened that way
};

}  // namespace vt::platform::hidraw
