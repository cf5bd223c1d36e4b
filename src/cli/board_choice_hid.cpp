#include "cli/board_choice_hid.h"

#include <cstdio>

#include "devlink/board_identity.h"

namespace vt::cli {

std::string SerialOf(const platform::HidDeviceInfo& device) {
  std::string out;
  for (char16_t c : device.serial) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char esc[12];
      std::snprintf(esc, sizeof esc, c <= 0xFF ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
      out += esc;
    }
  }
  return out;
}

std::string SerialUtf8(const platform::HidDeviceInfo& device) {
  std::string out;
  const std::u16string& s = device.serial;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsBoard(const platform::HidDeviceInfo& device) {
  return devlink::IsAcceptedVendor(device.vendorId) && devlink::IsAcceptedProduct(device.productId);
}

std::vector<platform::HidDeviceInfo> BoardChoiceHid::Enumerate() {
  std::vector<platform::HidDeviceInfo> devices = Inner().Enumerate();
  if (serial_.empty()) return devices;
  std::erase_if(devices, [this](const platform::HidDeviceInfo& d) { return IsBoard(d) && SerialOf(d) != serial_; });
  return devices;
}

}  // namespace vt::cli
