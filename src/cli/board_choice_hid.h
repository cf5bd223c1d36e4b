#pragma once

// The HID stack as the command line's board link sees it: every device the
// backend offers, except boards other than the one chosen with --serial.
// The link then finds that board, and only it, among several.

#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace vt::cli {

// A board's serial-number string as printable text (other characters as
// \xNN), as `devices` and the messages about several boards show it.
std::string SerialOf(const platform::HidDeviceInfo& device);
// The serial as UTF-8 (unpaired surrogates as U+FFFD), for JSON output.
std::string SerialUtf8(const platform::HidDeviceInfo& device);
// True for a device the board link accepts as a board.
bool IsBoard(const platform::HidDeviceInfo& device);

class BoardChoiceHid final : public platform::HidBackend {
 public:
  // An empty `serial` lets every board through.
  BoardChoiceHid(platform::HidBackend& inner, std::string serial) : inner_(inner), serial_(std::move(serial)) {}

  bool Load() override { return inner_.Load(); }
  std::vector<std::string> EntryPointNames() const override { return inner_.EntryPointNames(); }
  std::vector<platform::HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, platform::HidHandle* handle) override { return inner_.Open(path, handle); }
  void Close(platform::HidHandle handle) override { inner_.Close(handle); }
  int Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override {
    return inner_.Write(handle, report, waitMs);
  }
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override {
    return inner_.Read(handle, buf, waitMs, got);
  }
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf, size_t* got) override {
    return inner_.GetIndexedString(handle, index, buf, got);
  }
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override {
    return inner_.GetSerial(handle, buf, got);
  }
  std::string StackError() const override { return inner_.StackError(); }
  int Claim(const std::string& path, const std::string& who, std::string* holder) override {
    return inner_.Claim(path, who, holder);
  }
  void Release(const std::string& path) override { inner_.Release(path); }

 private:
  platform::HidBackend& inner_;
  std::string serial_;
};

}  // namespace vt::cli
