#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_backend.h"
#include "platform/hid_linux/report_descriptor.h"

// What sysfs tells about a hidraw node: ids and serial from the HID device's
// uevent, the release number from the USB device above it, report lengths
// from the report descriptor. Pure functions over text and a directory tree,
// so they run on captured trees as well as on /sys.
namespace vt::platform::hidraw {

inline constexpr uint32_t kBusUsb = 0x0003;

struct HidUevent {
  uint32_t bus = 0;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string name;
  std::string uniq;  // the serial-number string as the kernel read it
};

// Parses the uevent text of a HID device ("HID_ID=0003:000016C0:0000C35C",
// "HID_NAME=...", "HID_UNIQ=..."). std::nullopt without a valid HID_ID.
std::optional<HidUevent> ParseHidUevent(std::string_view text);

// Text of a UTF-8 string as 16-bit units; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Where the USB device of a hidraw node sits on the bus.
struct UsbLocation {
  uint8_t busNumber = 0;
  uint8_t deviceAddress = 0;
};

struct HidrawNode {
  HidDeviceInfo info;                 // info.path is the device node
  bool usesReportIds = false;
  std::optional<UsbLocation> usb;     // absent for HID devices not on USB
};

// Describes the hidraw node whose sysfs directory is `hidrawDir` (the one
// holding the `device` link to its HID device) and whose device node is
// `devnode`. std::nullopt when the HID device's uevent cannot be read.
// Report lengths come from the HID device's report_descriptor; capsValid is
// false when it is missing or malformed.
std::optional<HidrawNode> DescribeHidraw(const std::filesystem::path& hidrawDir,
                                         const std::string& devnode);

// The sysfs directories of every hidraw node under `sysRoot`/class/hidraw,
// sorted by name.
std::vector<std::filesystem::path> ListHidrawDirs(const std::filesystem::path& sysRoot);

// Reads at most `limit` bytes of a file; std::nullopt when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit = 65536);

}  // namespace vt::platform::hidraw
