#pragma once

#include <cstdint>

namespace vt::platform {

// Every wait and pause of the panel goes through a Clock, so that tests and
// benchmarks run on virtual time and never sleep.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic clock; wraps like a 32-bit tick counter.
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

// The machine's monotonic clock.
class SystemClock final : public Clock {
 public:
  uint32_t NowMs() override;
  void SleepMs(uint32_t ms) override;
};

// Time that moves only when someone sleeps or advances it.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(uint64_t startMs = 0) : now_(startMs) {}
  uint32_t NowMs() override { return static_cast<uint32_t>(now_); }
  void SleepMs(uint32_t ms) override { now_ += ms; }
  void Advance(uint64_t ms) { now_ += ms; }
  uint64_t ElapsedMs() const { return now_; }

 private:
  uint64_t now_;
};

}  // namespace vt::platform
