#include "profiles/serial_display.h"

namespace vt::profiles {

std::string SerialDisplayText(const devlink::BoardIdentity& identity) {
  constexpr size_t kShownUnits = 22;
  std::string text;
  for (size_t k = 0; k < kShownUnits; ++k) {
    const uint8_t c = identity.SerialChar(k);
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

}  // namespace vt::profiles
