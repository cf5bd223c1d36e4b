#pragma once

#include <cstdint>
#include <string>

#include "devlink/board_link.h"

namespace vt::devlink {

// Holds the board for one conversation with it: every exchange sequence, a
// read of memory as much as an erase and programming, runs under one, so
// that no other program's requests land in between. The board has a single
// read pointer and a single staging buffer: a read beside a write would move
// the one and spoil what the other reads back or keeps.
//
// Where the HID stack is shared (a board server, the machine's HID devices)
// another holder makes this one wait, a bounded time on the link's clock,
// and then give up with "the board is busy: used by ...". Reads take the
// board for the length of one read only, so reads beside reads stay quick.
// Claims nest: only the outermost one on a link asks and lets go, so an
// operation that holds the board runs its reads and writes under its own
// hold.
class BoardClaim {
 public:
  // The pace of asking again while another program holds the board: soon at
  // first (a read is over within milliseconds), then every kRetryMs.
  static constexpr uint32_t kFirstRetryMs = 5;
  static constexpr uint32_t kRetryMs = 100;

  enum class Wait : uint8_t {
    kBounded,  // at most link.ClaimWaitMs() for another holder to let go
    kNone,     // one ask: for polls that come back later anyway
  };

  explicit BoardClaim(BoardLink& link, Wait wait = Wait::kBounded);
  ~BoardClaim();
  BoardClaim(const BoardClaim&) = delete;
  BoardClaim& operator=(const BoardClaim&) = delete;

  bool Granted() const { return granted_; }
  // Refused because another program holds the board (not because the stack
  // could not be asked).
  bool Busy() const { return busy_; }
  // Why not: "the board is busy: used by velotrack profiles write (pid
  // 4242); board W10000471102.05 at virtual:0", or the stack's own error.
  const std::string& Refusal() const { return refusal_; }

  // The wait before the next ask, after `asked` asks so far.
  static uint32_t RetryDelayMs(uint32_t asked);

 private:
  BoardLink& link_;
  std::string path_;
  bool granted_ = false;
  bool busy_ = false;
  bool outermost_ = false;
  std::string refusal_;
};

}  // namespace vt::devlink
