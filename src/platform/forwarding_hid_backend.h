#pragma once

#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace vt::platform {

// A HidBackend that hands every primitive to another backend unchanged. The
// wrappers that change a few primitives (tracing, deadlines, metering, a
// choice of board) derive from it and override only those, so a primitive
// added to HidBackend is forwarded here once instead of in each of them.
class ForwardingHidBackend : public HidBackend {
 public:
  // `inner` is not owned and must outlive the wrapper.
  explicit ForwardingHidBackend(HidBackend& inner) : inner_(inner) {}

  bool Load() override { return inner_.Load(); }
  std::vector<std::string> EntryPointNames() const override { return inner_.EntryPointNames(); }
  std::vector<HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  int Open(const std::string& path, HidHandle* handle) override { return inner_.Open(path, handle); }
  void Close(HidHandle handle) override { inner_.Close(handle); }
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override {
    return inner_.Write(handle, report, waitMs);
  }
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override {
    return inner_.Read(handle, buf, waitMs, got);
  }
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override {
    return inner_.GetIndexedString(handle, index, buf, got);
  }
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override {
    return inner_.GetSerial(handle, buf, got);
  }
  std::string StackError() const override { return inner_.StackError(); }
  int Claim(const std::string& path, const std::string& who, std::string* holder) override {
    return inner_.Claim(path, who, holder);
  }
  void Release(const std::string& path) override { inner_.Release(path); }

 protected:
  HidBackend& Inner() const { return inner_; }

 private:
  HidBackend& inner_;
};

}  // namespace vt::platform
