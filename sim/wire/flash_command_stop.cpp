#include "sim/wire/flash_command_stop.h"

#include <cstdio>

#include "platform/remote/wire_format.h"

namespace vt::sim {

namespace {

// WRITE request: op, handle (u32), wait (u32), length (u16), then the
// report: report ID, two unused bytes, the command code, byte 4, the
// address (u32).
constexpr size_t kReportAt = 11;
constexpr uint8_t kErase = 0xC1;
constexpr uint8_t kCommit = 0xA1;

}  // namespace

std::optional<FlashCommandStop::Command> FlashCommandStop::FlashCommandOf(
    std::span<const uint8_t> request) {
  if (request.size() < kReportAt + 9 ||
      request[0] != static_cast<uint8_t>(platform::remote::Opcode::kWrite)) {
    return std::nullopt;
  }
  const auto report = request.subspan(kReportAt);
  const uint8_t code = report[3];
  // Byte 4 of a board command is its request code; flash commands have 0.
  if ((code != kErase && code != kCommit) || report[4] != 0) return std::nullopt;
  const uint32_t address = report[5] | report[6] << 8 | report[7] << 16 |
                           static_cast<uint32_t>(report[8]) << 24;
  return Command{code, address};
}

bool FlashCommandStop::Take(std::span<const uint8_t> request, std::string* what) {
  const auto command = FlashCommandOf(request);
  if (!command) return false;
  ++seen_;
  if (seen_ != stopAt_) return false;
  char text[64];
  std::snprintf(text, sizeof text, "%s at 0x%X", command->code == kErase ? "erase" : "commit",
                static_cast<unsigned>(command->address));
  *what = text;
  return true;
}

}  // namespace vt::sim
