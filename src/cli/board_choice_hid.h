#pragma once

// The HID stack as the command line's board link sees it: every device the
// backend offers, except boards other than the one chosen with --serial.
// The link then finds that board, and only it, among several.

#include <string>
#include <vector>

#include "platform/forwarding_hid_backend.h"

namespace vt::cli {

// A board's serial-number string as printable text (other characters as
// \xNN), as `devices` and the messages about several boards show it.
std::string SerialOf(const platform::HidDeviceInfo& device);
// The serial as UTF-8 (unpaired surrogates as U+FFFD), for JSON output.
std::string SerialUtf8(const platform::HidDeviceInfo& device);
// True for a device the board link accepts as a board.
bool IsBoard(const platform::HidDeviceInfo& device);

class BoardChoiceHid final : public platform::ForwardingHidBackend {
 public:
  // An empty `serial` lets every board through.
  BoardChoiceHid(platform::HidBackend& inner, std::string serial)
      : ForwardingHidBackend(inner), serial_(std::move(serial)) {}

  std::vector<platform::HidDeviceInfo> Enumerate() override;

 private:
  std::string serial_;
};

}  // namespace vt::cli
