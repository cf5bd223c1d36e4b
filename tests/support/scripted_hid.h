#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace vt::testing {

// A HID backend for traffic tests: it records every call and every written
// report and answers from scripts. Unscripted command replies echo the tag
// of the latest written report, so a plain exchange just works.
class ScriptedHid final : public platform::HidBackend {
 public:
  struct Write {
    platform::HidHandle handle;
    std::vector<uint8_t> bytes;
    uint32_t waitMs;
  };
  struct Reply {
    int result = platform::kWaitOk;
    std::vector<uint8_t> bytes;
  };

  // --- script ---
  bool loadResult = true;
  std::vector<std::string> entryPoints;
  std::vector<platform::HidDeviceInfo> devices;
  std::deque<int> openResults;    // consumed per Open(); empty: open when openable
  std::deque<int> writeResults;   // consumed per Write(); empty: 0
  std::deque<Reply> reads;        // Read() (legacy replies); empty: echo reply
  std::map<uint8_t, std::deque<Reply>> strings;  // per index; 244 empty: echo reply
  // Called for an unscripted indexed string other than 244.
  std::function<Reply(uint8_t index, size_t size)> stringHandler;
  uint8_t echoStatus = 0;        // status byte of echo replies
  uint8_t echoD0 = 0;            // D0 of echo replies
  uint8_t echoTagXor = 0;        // echo replies carry (written tag ^ this)

  // --- record ---
  std::vector<std::string> calls;  // "enum", "open <path>", "close", "write", "read", "string <i>", "serial"
  std::vector<Write> writes;
  int enumerations = 0;
  int openHandles = 0;

  // Adds an accepted board with the given serial and report lengths.
  platform::HidDeviceInfo& AddBoard(const std::string& path, const std::string& serial,
                                    uint16_t version = 0x0500, uint16_t reportLength = 65);

  // The command-report writes only (flash reports included).
  size_t WriteCount() const { return writes.size(); }
  const std::vector<uint8_t>& LastWrite() const { return writes.back().bytes; }
  size_t CountCalls(const std::string& call) const;

  bool Load() override;
  std::vector<std::string> EntryPointNames() const override { return entryPoints; }
  std::vector<platform::HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, platform::HidHandle* handle) override;
  void Close(platform::HidHandle handle) override;
  int Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override;
  int GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) override;

 private:
  std::vector<uint8_t> EchoReply() const;
  const platform::HidDeviceInfo* DeviceOf(platform::HidHandle handle) const;
  std::map<platform::HidHandle, std::string> open_;
  platform::HidHandle next_ = 1;
};

}  // namespace vt::testing
