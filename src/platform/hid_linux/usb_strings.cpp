#include "platform/hid_linux/usb_strings.h"

#include "platform/hid_linux/device_access.h"

#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace vt::platform::hidraw {

namespace {
// bmRequestType: device to host, standard request, recipient the device.
constexpr uint8_t kDeviceToHostStandardDevice = 0x80;
}  // namespace

std::optional<size_t> StripStringDescriptor(std::span<const uint8_t> received,
                                            std::span<uint8_t> out) {
  if (received.size() < 2 || received[0] < 2) return std::nullopt;
  const size_t content = std::min<size_t>(received[0], received.size()) - 2;
  const size_t n = std::min(content, out.size());
  if (n > 0) std::memcpy(out.data(), received.data() + 2, n);
  return n;
}

UsbStringReader::~UsbStringReader() {
  if (handle_ != nullptr) libusb_close(handle_);
  if (fd_ >= 0) ::close(fd_);  // a wrapped node stays the caller's to close
}

bool UsbStringReader::Open(libusb_context* context, UsbLocation where,
                           const std::filesystem::path& devRoot) {
  if (handle_ != nullptr) return true;
  if (context == nullptr) return false;
  // The device node first: libusb's own device list follows hotplug events
  // from udev, and a board that just re-enumerated (after a restart) is on
  // the bus before the event arrives, or for good where no udev daemon runs.
  const std::string node = (devRoot / UsbDeviceNode(where).substr(sizeof "/dev/" - 1)).string();
  const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd >= 0) {
    if (libusb_wrap_sys_device(context, static_cast<intptr_t>(fd), &handle_) == 0) {
      fd_ = fd;
      libusb_device_descriptor desc{};
      if (libusb_get_device_descriptor(libusb_get_device(handle_), &desc) == 0) {
        serialIndex_ = desc.iSerialNumber;
      }
      return true;
    }
    handle_ = nullptr;
    ::close(fd);
  }
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) return false;
  for (ssize_t i = 0; i < count && handle_ == nullptr; ++i) {
    libusb_device* dev = list[i];
    if (libusb_get_bus_number(dev) != where.busNumber ||
        libusb_get_device_address(dev) != where.deviceAddress) {
      continue;
    }
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(dev, &desc) == 0) serialIndex_ = desc.iSerialNumber;
    if (libusb_open(dev, &handle_) != 0) handle_ = nullptr;
  }
  libusb_free_device_list(list, 1);
  return handle_ != nullptr;
}

std::optional<size_t> UsbStringReader::ReadString(uint8_t index, std::span<uint8_t> out) {
  if (handle_ == nullptr) return std::nullopt;
  // A string descriptor's length is one byte, so 255 bytes hold any of them.
  std::array<uint8_t, 255> raw{};
  const int got = libusb_control_transfer(
      handle_, kDeviceToHostStandardDevice, LIBUSB_REQUEST_GET_DESCRIPTOR, static_cast<uint16_t>((LIBUSB_DT_STRING << 8) | index),
      kLangIdEnglishUs, raw.data(), static_cast<uint16_t>(raw.size()), kTimeoutMs);
  if (got < 0) return std::nullopt;
  return StripStringDescriptor(std::span(raw.data(), static_cast<size_t>(got)), out);
}

}  // namespace vt::platform::hidraw
