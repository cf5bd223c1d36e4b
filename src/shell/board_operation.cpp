#include "shell/board_operation.h"

#include <algorithm>

namespace vt::shell {

void OperationMeter::Begin(int expectedSteps) {
  if (depth_++ > 0) return;
  steps_ = 0;
  expected_ = std::max(expectedSteps, 0);
  shown_ = -1;
  lastPumpMs_ = clock_.NowMs();
  ui_.OperationProgress(0, expected_);
  ui_.PumpPaintMessages();
}

void OperationMeter::End() {
  if (depth_ == 0) return;
  if (--depth_ > 0) return;
  ui_.OperationProgress(expected_, expected_);
}

void OperationMeter::Step() {
  if (depth_ == 0) return;
  ++steps_;
  if (expected_ > 0) {
    // The estimate may be short (re-sends, a larger block): the bar stops
    // just before the end until the operation is really over.
    const int done = std::min(steps_, expected_ - expected_ / 100 - 1);
    const int percent = done * 100 / expected_;
    if (percent != shown_) {
      shown_ = percent;
      ui_.OperationProgress(done, expected_);
    }
  }
  Pump();
}

void OperationMeter::Pump() {
  if (depth_ == 0) return;
  const uint32_t now = clock_.NowMs();
  if (now - lastPumpMs_ < kPumpEveryMs) return;
  lastPumpMs_ = now;
  ui_.PumpPaintMessages();
}

std::vector<platform::HidDeviceInfo> MeteredHid::Enumerate() {
  meter_.Pump();
  return Inner().Enumerate();
}

int MeteredHid::Open(const std::string& path, platform::HidHandle* handle) {
  meter_.Pump();
  return Inner().Open(path, handle);
}

int MeteredHid::Write(platform::HidHandle handle, std::span<const uint8_t> report,
                      uint32_t waitMs) {
  const int result = Inner().Write(handle, report, waitMs);
  meter_.Step();
  return result;
}

int MeteredHid::Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs,
                     size_t* got) {
  const int result = Inner().Read(handle, buf, waitMs, got);
  meter_.Step();
  return result;
}

int MeteredHid::GetIndexedString(platform::HidHandle handle, uint8_t index,
                                 std::span<uint8_t> buf, size_t* got) {
  const int result = Inner().GetIndexedString(handle, index, buf, got);
  meter_.Step();
  return result;
}

int MeteredHid::GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  const int result = Inner().GetSerial(handle, buf, got);
  meter_.Pump();
  return result;
}

void MeteredClock::SleepMs(uint32_t ms) {
  if (!meter_.Active()) {
    inner_.SleepMs(ms);
    return;
  }
  // In slices, so that a long wait (a flash erase) keeps the window painted.
  while (ms > 0) {
    const uint32_t slice = std::min(ms, OperationMeter::kPumpEveryMs / 2);
    inner_.SleepMs(slice);
    ms -= slice;
    meter_.Pump();
  }
}

BoardOperation::BoardOperation(platform::Ui& ui, platform::WindowHandle window,
                               OperationMeter* meter, const std::string& status,
                               int expectedSteps)
    : ui_(ui), meter_(meter) {
  ui_.BeginOperation(window, status);
  if (meter_ != nullptr) meter_->Begin(expectedSteps);
}

BoardOperation::~BoardOperation() {
  if (meter_ != nullptr) meter_->End();
  ui_.EndOperation();
}

}  // namespace vt::shell
