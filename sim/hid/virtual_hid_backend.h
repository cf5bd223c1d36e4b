#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "sim/board/board_config.h"
#include "sim/board/virtual_board.h"

namespace vt::sim {

// A HID stack with virtual boards plugged in. Any number of boards, each
// under its own path ("virtual:0", "virtual:1", ... in the order added).
// Time is virtual: every USB transaction (write, read, string fetch) moves
// the clock by the configured latency, and a wait that runs out moves it by
// the full waitMs before 0x102 comes back. Nothing ever really sleeps, but
// for a latency charged to a real clock (SetLatency).
class VirtualHidBackend final : public platform::HidBackend {
 public:
  explicit VirtualHidBackend(platform::Clock& clock, uint32_t latencyMs = 0);
  ~VirtualHidBackend() override;

  // Plugs in a new board and returns its path.
  std::string AddBoard(BoardConfig config);
  // Unplugs a board for good; its handles die.
  void RemoveBoard(const std::string& path);
  size_t BoardCount() const { return boards_.size(); }
  // Board by plug-in order or by path; nullptr when there is none.
  VirtualBoard* Board(size_t index);
  VirtualBoard* Board(const std::string& path);
  std::vector<std::string> Paths() const;
  // Handles currently open (and not yet dead).
  size_t OpenHandles() const;
  // `realTime`, when given, is charged the latency instead of the board's
  // clock: a server answering real clients delays each transaction for real,
  // while the board's own waits stay virtual.
  void SetLatency(uint32_t ms, platform::Clock* realTime = nullptr) {
    latencyMs_ = ms;
    latencyClock_ = realTime;
  }
  // Every board as it left the factory (see VirtualBoard::FactoryReset),
  // no handle open and handles numbered from 1 again: the stack as newly
  // built with the same boards, without building them again.
  void FactoryReset();

  std::vector<std::string> EntryPointNames() const override;
  std::vector<platform::HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, platform::HidHandle* handle) override;
  void Close(platform::HidHandle handle) override;
  int Write(platform::HidHandle handle, std::span<const uint8_t> report,
            uint32_t waitMs) override;
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs,
           size_t* got) override;
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override;

 private:
  struct Slot {
    std::string path;
    std::unique_ptr<VirtualBoard> board;
  };
  struct OpenHandle {
    VirtualBoard* board = nullptr;
    uint32_t generation = 0;
  };
  // The live board behind a handle, or nullptr when the handle is unknown or
  // its board went away or restarted since it was opened.
  VirtualBoard* Live(platform::HidHandle handle);
  void Transaction();

  platform::Clock& clock_;
  uint32_t latencyMs_;
  platform::Clock* latencyClock_ = nullptr;
  std::vector<Slot> boards_;
  std::map<platform::HidHandle, OpenHandle> handles_;
  platform::HidHandle nextHandle_ = 1;
  int nextPath_ = 0;
};

}  // namespace vt::sim
