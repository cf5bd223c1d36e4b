#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vt::sim {

// Which client of the board server may talk to a board. One client at a
// time per board takes it with the CLAIM request for a whole conversation
// (a read of memory, or a write: read, erase, program, verify, restart);
// while it holds the board, the other clients' reports and read-backs are
// held off (their primitives time out as a busy device's would), so two
// programs can never interleave their requests on the board's one read
// pointer and staging buffer. A disconnect lets go of everything the client
// held, and a holder that has sent nothing for `idleLapseMs` loses the
// board to the next client that asks.
//
// Clients that were refused keep asking on their own clock. They are
// served in the order they first asked: while the first of them still asks,
// the board goes to no one else, so a stream of short reads cannot keep a
// waiting write out for ever. A waiter that has not asked for
// kWaiterLapseMs has given up and loses its place.
class BoardClaims {
 public:
  using ClientId = uint64_t;
  static constexpr uint32_t kIdleLapseMs = 30000;
  static constexpr uint32_t kWaiterLapseMs = 1000;

  explicit BoardClaims(platform::Clock& clock, uint32_t idleLapseMs = kIdleLapseMs)
      : clock_(clock), idleLapseMs_(idleLapseMs) {}

  ClientId NewClient() { return nextClient_++; }

  // Explicit claim. True when `client` holds the board afterwards (also
  // when it did already); otherwise *holder describes who does (or who is
  // next in line).
  bool Claim(const std::string& path, ClientId client, const std::string& who, std::string* holder);
  // False when the client did not hold the board.
  bool Release(const std::string& path, ClientId client);

  // May traffic from `client` reach the board? Counts as activity of a
  // holder; a holder idle for too long loses the board here.
  bool MayUse(const std::string& path, ClientId client);
  void ReleaseAll(ClientId client);

  // Who holds the board, or empty.
  std::string HolderOf(const std::string& path) const;

 private:
  struct Holder {
    ClientId client = 0;
    std::string who;
    uint32_t lastSeenMs = 0;
  };
  // The holder after dropping one that has been idle too long.
  Holder* Current(const std::string& path);
  // The first waiter still asking, after dropping those that gave up.
  Holder* FirstWaiter(const std::string& path);
  void Wait(const std::string& path, ClientId client, const std::string& who);

  platform::Clock& clock_;
  uint32_t idleLapseMs_;
  std::map<std::string, Holder> holders_;
  std::map<std::string, std::vector<Holder>> waiters_;  // in the order they first asked
  ClientId nextClient_ = 1;
};

}  // namespace vt::sim
