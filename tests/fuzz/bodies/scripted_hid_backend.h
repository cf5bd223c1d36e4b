#pragma once

// A HID stack whose every answer comes from fuzz input: which devices are
// there, whether opens and writes go through, and what bytes the reads and
// string requests return (including counts larger than the buffer, as a
// faulty lower layer might claim). Counts its calls so that a target can
// hold the layers above to their bounds.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

class ScriptedHidBackend final : public platform::HidBackend {
 public:
  explicit ScriptedHidBackend(FuzzInput& in) : in_(in) {}

  size_t Calls() const { return calls_; }

  std::vector<platform::HidDeviceInfo> Enumerate() override {
    ++calls_;
    static constexpr std::array<uint16_t, 4> kVendors{0x16C0, 0x0400, 0x10C4, 0x1234};
    static constexpr std::array<uint16_t, 8> kProducts{0xC35C, 0xC360, 0x2904, 0xC365,
                                                       0xBAAB, 0xC35F, 0x82CD, 0x0001};
    std::vector<platform::HidDeviceInfo> out;
    const unsigned count = in_.U8() % 3;
    for (unsigned i = 0; i < count; ++i) {
      platform::HidDeviceInfo d;
      d.path = "scripted:" + std::to_string(i);
      const uint8_t ids = in_.U8();
      d.vendorId = kVendors[ids & 3];
      d.productId = kProducts[(ids >> 2) & 7];
      d.version = in_.U16();
      const auto serial = in_.Bytes(in_.U8() % 40);
      for (uint8_t c : serial) d.serial.push_back(static_cast<char16_t>(c));
      d.capsValid = (ids & 0x20) != 0;
      d.inputReportLength = in_.U16() % 300;
      d.outputReportLength = in_.U16() % 300;
      out.push_back(std::move(d));
    }
    return out;
  }

  int Open(const std::string&, platform::HidHandle* handle) override {
    ++calls_;
    *handle = platform::kInvalidHidHandle;
    if (in_.U8() == 0xFF) return platform::kWaitFailed;
    *handle = next_++;
    return platform::kWaitOk;
  }
  void Close(platform::HidHandle) override { ++calls_; }

  int Write(platform::HidHandle, std::span<const uint8_t> report, uint32_t) override {
    ++calls_;
    Require(report.size() <= 256, "no report longer than the report buffers");
    return Result();
  }
  int Read(platform::HidHandle, std::span<uint8_t> buf, uint32_t, size_t* got) override {
    ++calls_;
    return Fill(buf, got);
  }
  int GetIndexedString(platform::HidHandle, uint8_t, std::span<uint8_t> buf, size_t* got) override {
    ++calls_;
    return Fill(buf, got);
  }
  int GetSerial(platform::HidHandle, std::span<uint8_t> buf, size_t* got) override {
    ++calls_;
    return Fill(buf, got);
  }

 private:
  // Mostly success, sometimes each of the failure codes.
  int Result() {
    switch (in_.U8() & 0x0F) {
      case 0x0D: return platform::kWaitTimeout;
      case 0x0E: return platform::kWaitAbandoned;
      case 0x0F: return platform::kWaitFailed;
      default: return platform::kWaitOk;
    }
  }
  int Fill(std::span<uint8_t> buf, size_t* got) {
    const int rc = Result();
    const auto bytes = in_.Bytes(in_.U16() % 600);
    const size_t n = std::min(bytes.size(), buf.size());
    std::copy_n(bytes.begin(), n, buf.begin());
    // The count may claim more than was placed; the layers above must not
    // believe it.
    *got = bytes.size();
    return rc;
  }

  FuzzInput& in_;
  platform::HidHandle next_ = 1;
  size_t calls_ = 0;
};

}  // namespace vt::fuzz
