#pragma once

#include <cstdint>
#include <string>

#include "devlink/board_link.h"

namespace vt::devlink {

// Holds the right to change the board's flash for the lifetime of one
// operation (read the block, erase, program, verify, restart), so that no
// other program's writes can land in between. Where the HID stack is shared
// (a board server, the machine's HID devices) another holder makes this one
// wait, a bounded time on the link's clock, and then give up with
// "the board is busy: used by ...". Claims nest: only the outermost one on
// a link asks and lets go.
class FlashWriteClaim {
 public:
  static constexpr uint32_t kRetryMs = 250;

  // Waits at most link.ClaimWaitMs() for another holder to let go.
  explicit FlashWriteClaim(BoardLink& link);
  ~FlashWriteClaim();
  FlashWriteClaim(const FlashWriteClaim&) = delete;
  FlashWriteClaim& operator=(const FlashWriteClaim&) = delete;

  bool Granted() const { return granted_; }
  // Why not: "the board is busy: used by velotrack profiles write (pid
  // 4242); board W10000471102.05 at virtual:0", or the stack's own error.
  const std::string& Refusal() const { return refusal_; }

 private:
  BoardLink& link_;
  std::string path_;
  bool granted_ = false;
  bool outermost_ = false;
  std::string refusal_;
};

}  // namespace vt::devlink
