#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "platform/forwarding_hid_backend.h"

namespace vt::platform {

// Wraps any HID backend and writes one line per primitive call: its
// arguments, its result and the bytes that went out or came back, in hex.
// The primitives themselves pass through unchanged.
//
//   Write h=1 wait=500 len=3 [00 41 26] -> 0
//   GetIndexedString h=1 index=244 size=8 -> 0 n=8 [00 00 ...]
class TracingHidBackend final : public ForwardingHidBackend {
 public:
  // The stream is not owned and must outlive the decorator.
  TracingHidBackend(HidBackend& inner, std::FILE* out) : ForwardingHidBackend(inner), file_(out) {}
  TracingHidBackend(HidBackend& inner, std::ostream& out)
      : ForwardingHidBackend(inner), stream_(&out) {}

  bool Load() override;
  std::vector<HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, HidHandle* handle) override;
  void Close(HidHandle handle) override;
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override;
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override;
  int Claim(const std::string& path, const std::string& who, std::string* holder) override;
  void Release(const std::string& path) override;

  // "00 41 26": bytes as two-digit hex, space separated.
  static std::string Hex(std::span<const uint8_t> bytes);

 private:
  void Line(const std::string& text);

  std::FILE* file_ = nullptr;
  std::ostream* stream_ = nullptr;
};

}  // namespace vt::platform
