// The status line's texts for the codes a transfer or the board reports.
#include <array>
#include <string_view>

#include "profiles/transfer_ui.h"

namespace vt::profiles {

std::string StatusText(uint8_t code) {
  static constexpr std::array<std::string_view, 11> kTexts = {
      "OK",      "OK",      "Undefined", "No RX",  "Velotrack I/O Error", "No ACK0",
      "No ACK1", "No ACK2", "No ACK",    "Burned", "Failed"};
  const size_t index = code & 0x7Fu;
  // Boards and transfers may pass codes the table does not know.
  return std::string(index < kTexts.size() ? kTexts[index] : kTexts[2]);
}

}  // namespace vt::profiles
