#pragma once

// One virtual board reached through either HID backend: the in-process
// virtual HID stack, or the remote backend talking to the board server
// process over a Unix socket. Scenarios written against ParityBoard run
// unchanged on both, so any difference is a difference of the wire path.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "sim/board/virtual_board.h"

namespace vt::testing {

enum class Backend { kInProcess, kOverWire };

std::ostream& operator<<(std::ostream& out, Backend backend);

class ParityBoard {
 public:
  virtual ~ParityBoard() = default;

  // A board of `preset` with `faults` armed before the host first sees it.
  // nullptr (and the reason in *error) when it cannot be set up.
  static std::unique_ptr<ParityBoard> Make(Backend backend, const std::string& preset,
                                           const sim::FaultPlan& faults,
                                           platform::VirtualClock& clock, std::string* error);

  virtual platform::HidBackend& Hid() = 0;
  const sim::BoardConfig& Config() const { return config_; }

  // Board-side view of its flash. Both disarm whatever faults are left;
  // over the wire they also restart the server, which is a power cycle of
  // the board, so scenarios use them only between whole operations.
  virtual std::vector<uint8_t> Peek(uint32_t address, size_t count) = 0;
  virtual bool Poke(uint32_t address, const std::vector<uint8_t>& bytes) = 0;

  // Every primitive the board has seen, one formatted line each.
  virtual std::vector<std::string> Traffic() = 0;

  // The board leaves the bus (over the wire: the server goes away) and
  // comes back with the flash it had.
  virtual void Unplug() = 0;
  virtual bool Replug() = 0;

 protected:
  ParityBoard(sim::BoardConfig config, std::string dir);
  // Removes the board's folder.
  void RemoveFolder();
  std::string TrafficFile() const { return dir_ + "/traffic.log"; }
  std::vector<std::string> TrafficLines() const;

  sim::BoardConfig config_;
  std::string dir_;  // the board's own temporary folder
};

// The server's command-line flags that arm `faults`.
std::vector<std::string> FaultFlags(const sim::FaultPlan& faults);

}  // namespace vt::testing
