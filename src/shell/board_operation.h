#pragma once

// Keeping the window alive while a board operation runs on the UI thread.
//
// The operation's steps run in order on the caller's thread, as they always
// did; what changes is that every wait and every exchange with the board
// lets the window repaint (through Ui::PumpPaintMessages, which drops user
// input) and moves the progress bar. OperationMeter is the shared state;
// MeteredHid and MeteredClock are the two places where time passes.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/forwarding_hid_backend.h"
#include "platform/ui/ui.h"

namespace vt::shell {

class OperationMeter {
 public:
  // Repaints at least this often while an operation runs.
  static constexpr uint32_t kPumpEveryMs = 20;

  // `clock` is the real (unmetered) clock used to space the pumps.
  OperationMeter(platform::Ui& ui, platform::Clock& clock) : ui_(ui), clock_(clock) {}

  // An operation of about `expectedSteps` board exchanges begins (0: unknown).
  void Begin(int expectedSteps);
  void End();
  bool Active() const { return depth_ > 0; }
  // One exchange with the board was made.
  void Step();
  // Time passes: repaint when the last repaint is older than kPumpEveryMs.
  void Pump();
  int Steps() const { return steps_; }

 private:
  platform::Ui& ui_;
  platform::Clock& clock_;
  int depth_ = 0;
  int steps_ = 0;
  int expected_ = 0;
  int shown_ = -1;
  uint32_t lastPumpMs_ = 0;
};

// A HidBackend that counts and paces the exchanges of a running operation.
class MeteredHid final : public platform::ForwardingHidBackend {
 public:
  MeteredHid(platform::HidBackend& inner, OperationMeter& meter)
      : ForwardingHidBackend(inner), meter_(meter) {}
  std::vector<platform::HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, platform::HidHandle* handle) override;
  int Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs,
           size_t* got) override;
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override;

 private:
  OperationMeter& meter_;
};

// A Clock whose sleeps repaint the window in slices while an operation runs.
class MeteredClock final : public platform::Clock {
 public:
  MeteredClock(platform::Clock& inner, OperationMeter& meter) : inner_(inner), meter_(meter) {}
  uint32_t NowMs() override { return inner_.NowMs(); }
  void SleepMs(uint32_t ms) override;

 private:
  platform::Clock& inner_;
  OperationMeter& meter_;
};

// One board operation, from construction to destruction: the window is
// busy with `status` shown, the meter counts. Without a meter only the
// window's busy state changes.
class BoardOperation {
 public:
  BoardOperation(platform::Ui& ui, platform::WindowHandle window, OperationMeter* meter,
                 const std::string& status, int expectedSteps);
  ~BoardOperation();
  BoardOperation(const BoardOperation&) = delete;
  BoardOperation& operator=(const BoardOperation&) = delete;

 private:
  platform::Ui& ui_;
  OperationMeter* meter_;
};

}  // namespace vt::shell
