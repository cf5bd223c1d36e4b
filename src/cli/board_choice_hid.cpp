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

bool IsBoard(const platform::HidDeviceInfo& device) {
  return devlink::IsAcceptedVendor(device.vendorId) && devlink::IsAcceptedProduct(device.productId);
}

std::vector<platform::HidDeviceInfo> BoardChoiceHid::Enumerate() {
  std::vector<platform::HidDeviceInfo> devices = inner_.Enumerate();
  if (serial_.empty()) return devices;
  std::erase_if(devices, [this](const platform::HidDeviceInfo& d) { return IsBoard(d) && SerialOf(d) != serial_; });
  return devices;
}

}  // namespace vt::cli
