#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/forwarding_hid_backend.h"

namespace vt::devlink {

// The HID stack as a board link sees it, with overall deadlines: while an
// operation (a profile write, a firmware update, ...) is running, every
// report, read-back and string fetch waits at most until the operation's
// deadline, and once it has passed they all fail at once as timed out. A
// board that answers slowly but forever thus ends the operation in bounded
// time, through the same failure path as a board that stops answering.
// Deadlines nest; each one counts on its own.
class DeadlineHid final : public platform::ForwardingHidBackend {
 public:
  DeadlineHid(platform::HidBackend& inner, platform::Clock& clock)
      : ForwardingHidBackend(inner), clock_(clock) {}

  void Begin(std::string operation, uint32_t budgetMs);
  void End();
  // The operation whose deadline passed since the outermost Begin(), with
  // its budget: "the profile write did not finish within 120 s"; empty
  // while every deadline holds.
  const std::string& Expired() const { return expired_; }

  int Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override;
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override;

 private:
  struct Deadline {
    std::string operation;
    uint32_t startMs = 0;
    uint32_t budgetMs = 0;
  };
  // False once a deadline has passed; otherwise *waitMs is cut to what is
  // left of the nearest one.
  bool Allow(uint32_t* waitMs);

  platform::Clock& clock_;
  std::vector<Deadline> deadlines_;
  std::string expired_;
};

}  // namespace vt::devlink
