#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vt::sim {

// Counts the flash commands (erase and commit reports) that clients send
// through the server, and picks the one at which a client is to be stopped:
// a test stops a client exactly at its Nth erase or program step, kills it
// there, and then looks at what the board holds.
class FlashCommandStop {
 public:
  // 0 stops nobody.
  explicit FlashCommandStop(uint32_t stopAt = 0) : stopAt_(stopAt) {}

  // Counts `request` (a request body of the wire protocol) when it carries
  // a flash command. True when it is the one to stop at; `what` then says
  // which command it is ("erase at 0xE0200").
  bool Take(std::span<const uint8_t> request, std::string* what);
  uint32_t Seen() const { return seen_; }

  // The erase or commit a WRITE request carries, if any.
  struct Command {
    uint8_t code = 0;  // 0xC1 erase, 0xA1 commit
    uint32_t address = 0;
  };
  static std::optional<Command> FlashCommandOf(std::span<const uint8_t> request);

 private:
  uint32_t stopAt_;
  uint32_t seen_ = 0;
};

}  // namespace vt::sim
