#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace vt::testing {

// Forwards every primitive and fails a chosen output-report write.
class FailingWrites final : public platform::HidBackend {
 public:
  explicit FailingWrites(platform::HidBackend& inner) : inner_(inner) {}
  // The Nth write from now (1-based) fails with -1; 0 disarms.
  void FailWrite(uint32_t n) { failAt_ = n == 0 ? 0 : writes_ + n; }
  uint32_t Writes() const { return writes_; }

  std::vector<platform::HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  int Open(const std::string& path, platform::HidHandle* handle) override {
    return inner_.Open(path, handle);
  }
  void Close(platform::HidHandle handle) override { inner_.Close(handle); }
  int Write(platform::HidHandle handle, std::span<const uint8_t> report,
            uint32_t waitMs) override {
    if (++writes_ == failAt_) return platform::kWaitFailed;
    return inner_.Write(handle, report, waitMs);
  }
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs,
           size_t* got) override {
    return inner_.Read(handle, buf, waitMs, got);
  }
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override {
    return inner_.GetIndexedString(handle, index, buf, got);
  }
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override {
    return inner_.GetSerial(handle, buf, got);
  }

 private:
  platform::HidBackend& inner_;
  uint32_t writes_ = 0;
  uint32_t failAt_ = 0;
};

}  // namespace vt::testing
