#include "platform/hid_linux/sysfs_hidraw.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace vt::platform::hidraw {

namespace fs = std::filesystem;

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base) {
  text = Trim(text);
  T value{};
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// The nearest ancestor of `dir` (itself included) that is a USB device: the
// directory with the device descriptor's attributes.
std::optional<fs::path> FindUsbDevice(fs::path dir) {
  std::error_code ec;
  while (!dir.empty() && dir != dir.root_path()) {
    if (fs::exists(dir / "bcdDevice", ec) && fs::exists(dir / "busnum", ec) &&
        fs::exists(dir / "devnum", ec)) {
      return dir;
    }
    dir = dir.parent_path();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadSmallFile(const fs::path& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // sysfs files are small; read them in small steps up to the limit.
  std::string out;
  char chunk[512];
  while (out.size() < limit && in) {
    in.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, limit - out.size())));
    out.append(chunk, static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return std::nullopt;
  return out;
}

std::optional<HidUevent> ParseHidUevent(std::string_view text) {
  HidUevent out;
  bool haveId = false;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const auto key = line.substr(0, eq);
    const auto value = line.substr(eq + 1);
    if (key == "HID_ID") {
      // bus:vendor:product, each in hexadecimal (4 and 8 digits).
      const auto c1 = value.find(':');
      const auto c2 = c1 == std::string_view::npos ? c1 : value.find(':', c1 + 1);
      if (c2 == std::string_view::npos) return std::nullopt;
      const auto bus = ParseNumber<uint32_t>(value.substr(0, c1), 16);
      const auto vendor = ParseNumber<uint32_t>(value.substr(c1 + 1, c2 - c1 - 1), 16);
      const auto product = ParseNumber<uint32_t>(value.substr(c2 + 1), 16);
      if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
      out.bus = *bus;
      out.vendorId = static_cast<uint16_t>(*vendor);
      out.productId = static_cast<uint16_t>(*product);
      haveId = true;
    } else if (key == "HID_NAME") {
      out.name = value;
    } else if (key == "HID_UNIQ") {
      out.uniq = value;
    }
  }
  if (!haveId) return std::nullopt;
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0 || (b & 0xF0) == 0xE0 || (b & 0xF8) == 0xF0) {
      len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
      uint32_t v = b & (0x7F >> len);
      bool ok = i + len <= s.size();
      for (size_t k = 1; ok && k < len; ++k) {
        const auto c = static_cast<uint8_t>(s[i + k]);
        ok = (c & 0xC0) == 0x80;
        v = (v << 6) | (c & 0x3F);
      }
      const uint32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
      if (ok && v >= minimum && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::optional<HidrawNode> DescribeHidraw(const fs::path& hidrawDir, const std::string& devnode) {
  std::error_code ec;
  const fs::path hidDir = fs::canonical(hidrawDir / "device", ec);
  if (ec) return std::nullopt;
  const auto ueventText = ReadSmallFile(hidDir / "uevent");
  if (!ueventText) return std::nullopt;
  const auto uevent = ParseHidUevent(*ueventText);
  if (!uevent) return std::nullopt;

  HidrawNode node;
  node.info.path = devnode;
  node.info.vendorId = uevent->vendorId;
  node.info.productId = uevent->productId;
  node.info.serial = Utf8ToUtf16(uevent->uniq);

  // The kernel caps report descriptors at 4096 bytes.
  if (const auto rd = ReadSmallFile(hidDir / "report_descriptor", 4096)) {
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(rd->data()), rd->size());
    if (const auto lengths = ParseReportDescriptor(bytes); lengths && !rd->empty()) {
      node.info.capsValid = true;
      node.info.inputReportLength = lengths->input;
      node.info.outputReportLength = lengths->output;
      node.usesReportIds = lengths->usesReportIds;
    }
  }

  if (uevent->bus == kBusUsb) {
    if (const auto usbDir = FindUsbDevice(hidDir.parent_path())) {
      const auto bcd = ReadSmallFile(*usbDir / "bcdDevice", 64);
      const auto busnum = ReadSmallFile(*usbDir / "busnum", 64);
      const auto devnum = ReadSmallFile(*usbDir / "devnum", 64);
      if (const auto v = bcd ? ParseNumber<uint16_t>(*bcd, 16) : std::nullopt) node.info.version = *v;
      const auto b = busnum ? ParseNumber<uint8_t>(*busnum, 10) : std::nullopt;
      const auto d = devnum ? ParseNumber<uint8_t>(*devnum, 10) : std::nullopt;
      if (b && d) node.usb = UsbLocation{*b, *d};
    }
  }
  return node;
}

std::vector<fs::path> ListHidrawDirs(const fs::path& sysRoot) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(sysRoot / "class" / "hidraw", ec), end; !ec && it != end;
       it.increment(ec)) {
    out.push_back(it->path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace vt::platform::hidraw
