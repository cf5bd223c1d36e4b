#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "sim/wire/board_claims.h"

// The opcodes and the frame limit of the board wire protocol are the
// client's (platform/remote/wire_format.h): one definition for both ends.
namespace vt::sim {

// One client connection's view of a HID backend: turns each request body
// into its response body. It remembers the handles the client opened so
// that they can be closed when the client goes away. With `claims` given,
// a board another client holds for changing its flash is kept from this
// one (see BoardClaims); `peer` says who this client is when it holds a
// board without having named itself.
class WireSession {
 public:
  explicit WireSession(platform::HidBackend& backend, BoardClaims* claims = nullptr,
                       std::string peer = {});
  ~WireSession() { CloseAll(); }
  WireSession(const WireSession&) = delete;
  WireSession& operator=(const WireSession&) = delete;

  std::vector<uint8_t> Handle(std::span<const uint8_t> request);
  // Closes the client's handles and lets go of the boards it held.
  void CloseAll();
  size_t OpenHandles() const { return open_.size(); }

 private:
  std::vector<uint8_t> Write(platform::HidHandle h, uint32_t waitMs, std::span<const uint8_t> report);
  bool MayUse(platform::HidHandle h);

  platform::HidBackend& backend_;
  BoardClaims* claims_;
  BoardClaims::ClientId client_ = 0;
  std::string peer_;
  std::map<platform::HidHandle, std::string> open_;  // handle -> device path
  // Boards this client has been shown by ENUMERATE: it may claim them
  // without the server enumerating again, which a board would see.
  std::set<std::string> shown_;
};

}  // namespace vt::sim
