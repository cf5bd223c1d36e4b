#pragma once

// A minimal host for driving a virtual board in tests: builds reports the
// way the panel lays them out and runs the HID primitives on one handle.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "sim/hid/virtual_hid_backend.h"

namespace vt::sim::testing {

inline std::vector<uint8_t> FlashReport(size_t length, uint8_t op, uint8_t byte4, uint32_t address,
                                        std::vector<uint8_t> tail = {}) {
  std::vector<uint8_t> r(length, 0);
  r[3] = op;
  r[4] = byte4;
  for (int i = 0; i < 4; ++i) r[5 + static_cast<size_t>(i)] = static_cast<uint8_t>(address >> (8 * i));
  for (size_t i = 0; i < tail.size(); ++i) r[9 + i] = tail[i];
  return r;
}

inline std::vector<uint8_t> Le32Bytes(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

inline std::vector<uint8_t> CommandReport(size_t length, uint8_t tag, uint8_t cmd, uint8_t req,
                                          uint8_t data = 0, uint8_t addr = 0, uint8_t i2cid = 0,
                                          uint8_t data1 = 0) {
  std::vector<uint8_t> r(length, 0);
  r[1] = static_cast<uint8_t>(length);
  r[2] = tag;
  r[3] = cmd;
  r[4] = req;
  r[5] = data;
  r[6] = addr;
  r[7] = i2cid;
  r[8] = data1;
  return r;
}

class Host {
 public:
  explicit Host(BoardConfig config, uint32_t latencyMs = 0) : backend(clock, latencyMs) {
    path = backend.AddBoard(std::move(config));
    board = backend.Board(path);
    length = board->Config().outputReportLength;
    EXPECT_EQ(backend.Open(path, &handle), platform::kWaitOk);
  }

  int Send(const std::vector<uint8_t>& report, uint32_t waitMs = 500) {
    return backend.Write(handle, report, waitMs);
  }
  int Flash(uint8_t op, uint8_t byte4, uint32_t address, std::vector<uint8_t> tail = {}) {
    return Send(FlashReport(length, op, byte4, address, std::move(tail)));
  }
  int EnterProgramming() { return Flash(0xF1, 0xF0, 0x20220); }
  int LeaveProgramming() { return Flash(0xF1, 0xF0, 0x2000000); }
  int Erase(uint32_t address) { return Flash(0xC1, 0, address); }
  int Piece(uint32_t address, std::vector<uint8_t> data) {
    const auto n = static_cast<uint8_t>(data.size());
    return Flash(0x91, n, address, std::move(data));
  }
  int Commit(uint32_t address, uint32_t count) { return Flash(0xA1, 0, address, Le32Bytes(count)); }
  int ReadCommand(uint32_t address, uint32_t count) {
    return Flash(0xD0, 0, address, Le32Bytes(count));
  }
  // Fetches a string; rc in *rc.
  std::vector<uint8_t> String(uint8_t index, size_t bufLen, int* rc = nullptr) {
    std::vector<uint8_t> buf(bufLen);
    size_t got = 0;
    const int r = backend.GetIndexedString(handle, index, buf, &got);
    if (rc) *rc = r;
    buf.resize(got);
    return buf;
  }
  // Read command followed by the read-back of string 240.
  std::vector<uint8_t> ReadMemory(uint32_t address, uint32_t count) {
    ReadCommand(address, count);
    return String(240, 512);
  }
  // Programs bytes through the staging buffer, without erasing.
  void Program(uint32_t address, const std::vector<uint8_t>& bytes) {
    const uint32_t staging = board->Config().stagingAddress;
    for (size_t at = 0; at < bytes.size(); at += 8) {
      std::vector<uint8_t> piece(bytes.begin() + static_cast<long>(at),
                                 bytes.begin() + static_cast<long>(std::min(at + 8, bytes.size())));
      Piece(staging + static_cast<uint32_t>(at), piece);
    }
    Commit(address, static_cast<uint32_t>(bytes.size()));
  }

  platform::VirtualClock clock;
  VirtualHidBackend backend;
  std::string path;
  VirtualBoard* board = nullptr;
  platform::HidHandle handle = platform::kInvalidHidHandle;
  size_t length = 65;
};

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace vt::sim::testing
