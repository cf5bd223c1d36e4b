#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vt::app {

// Where the panel finds its board:
//   auto                  the machine's own HID devices
//   virtual[:OPTIONS]     an in-process virtual board; OPTIONS separated by
//                         ',': a preset name (standard, r, legacy, ab, ...),
//                         file=PATH (flash kept in PATH between runs),
//                         latency=MS (per USB transaction, virtual time)
//   tcp:HOST:PORT         a board server over TCP
//   unix:PATH             a board server over a Unix socket
struct BoardAddress {
  enum class Kind { kAuto, kVirtual, kTcp, kUnix };
  Kind kind = Kind::kAuto;
  std::string text;            // as given
  std::string preset = "standard";
  std::string flashFile;       // virtual: empty when the flash is not kept
  uint32_t latencyMs = 0;      // virtual
};

// Parses a board address. On failure returns std::nullopt and a one-line
// reason in *error.
std::optional<BoardAddress> ParseBoardAddress(const std::string& text, std::string* error);

}  // namespace vt::app
