#include "devlink/board_identity.h"

#include <algorithm>

namespace vt::devlink {

namespace {
constexpr std::array<uint16_t, 3> kVendors{0x0400, 0x16C0, 0x10C4};
constexpr std::array<uint16_t, 7> kProducts{0xC35C, 0xC360, 0x2904, 0xC365,
                                            0xBAAB, 0xC35F, 0x82CD};
}  // namespace

bool IsAcceptedVendor(uint16_t vendorId) {
  return std::find(kVendors.begin(), kVendors.end(), vendorId) != kVendors.end();
}

bool IsAcceptedProduct(uint16_t productId) {
  return std::find(kProducts.begin(), kProducts.end(), productId) != kProducts.end();
}

std::string BoardIdentity::SerialText() const {
  std::string text;
  for (size_t k = 0; 2 * k < kSerialBytes; ++k) {
    const uint8_t c = SerialChar(k);
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

}  // namespace vt::devlink
