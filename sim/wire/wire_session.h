#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "platform/hid_backend.h"

namespace vt::sim {

// Request opcodes of the board wire protocol, version 1.
enum class WireOp : uint8_t {
  kEnumerate = 0x01,
  kOpen = 0x02,
  kClose = 0x03,
  kWrite = 0x04,
  kRead = 0x05,
  kGetIndexedString = 0x06,
  kGetSerial = 0x07,
};

inline constexpr uint32_t kMaxFrameBody = 65536;

// One client connection's view of a HID backend: turns each request body
// into its response body. It remembers the handles the client opened so
// that they can be closed when the client goes away.
class WireSession {
 public:
  explicit WireSession(platform::HidBackend& backend) : backend_(backend) {}
  ~WireSession() { CloseAll(); }
  WireSession(const WireSession&) = delete;
  WireSession& operator=(const WireSession&) = delete;

  std::vector<uint8_t> Handle(std::span<const uint8_t> request);
  void CloseAll();
  size_t OpenHandles() const { return open_.size(); }

 private:
  platform::HidBackend& backend_;
  std::set<platform::HidHandle> open_;
};

}  // namespace vt::sim
