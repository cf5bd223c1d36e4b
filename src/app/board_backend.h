#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/device_watch.h"
#include "platform/hid_backend.h"
#include "app/board_address.h"

namespace vt::sim {
class VirtualHidBackend;
}

namespace vt::app {

using platform::Clock;
using platform::HidBackend;

// The HID backend and clock chosen by a board address, built in one place so
// that no front-end knows which backend it talks to. Real boards (auto, tcp,
// unix) run on the machine's clock; a virtual board runs on virtual time.
class BoardBackend {
 public:
  virtual ~BoardBackend() = default;

  virtual HidBackend& Hid() = 0;
  virtual Clock& GetClock() = 0;
  // The in-process virtual HID stack, or nullptr for the other kinds.
  virtual sim::VirtualHidBackend* Virtual() { return nullptr; }
  // Tells when boards may have arrived or left; nullptr when the stack
  // cannot (a board server, the virtual board, Windows), and the panel
  // looks for a board on its poll timer instead.
  virtual platform::DeviceWatch* DeviceChanges() { return nullptr; }
  // Ends the session: a virtual board kept in a file is written back. False
  // (and a one-line reason) when that fails. Also run by the destructor.
  virtual bool Finish(std::string* error) {
    (void)error;
    return true;
  }
};

// Builds the backend for `address`. With `trace` set every primitive is
// logged there (the stream stays the caller's). std::nullptr and a one-line
// reason when it cannot be built (e.g. a virtual board's flash file is
// unreadable).
std::unique_ptr<BoardBackend> MakeBoardBackend(const BoardAddress& address, std::FILE* trace,
                                               std::string* error);

}  // namespace vt::app
