// No usbredir front on Windows: velotrack-board has no `usb` subcommand.
#include "board_server/usb_command.h"

namespace vt::sim {

std::function<std::optional<int>()> AddUsbCommand(CLI::App&) {
  return [] { return std::optional<int>(); };
}

}  // namespace vt::sim
