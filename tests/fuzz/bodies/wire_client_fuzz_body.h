#pragma once

// The panel's side of the wire protocol: a board server whose every answer
// (and whether it connects, answers at all or hangs up) comes from fuzz
// input, behind the remote backend and the board link above it. Answers
// that do not fit the request are refused, never copied past a buffer, and
// every failure of the server is named.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "devlink/board_link.h"
#include "flash/flash_commands.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/remote/frame_channel.h"
#include "platform/remote/remote_hid_backend.h"
#include "platform/remote/wire_format.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

class ScriptedChannel final : public platform::remote::FrameChannel {
 public:
  explicit ScriptedChannel(FuzzInput& in) : in_(in) {}

  bool Connect(std::chrono::milliseconds) override {
    connected_ = in_.U8() != 0xEE;
    fault_ = connected_ ? platform::remote::LinkFault{}
                        : platform::remote::LinkFault{platform::remote::LinkFault::Kind::kUnreachable, "refused"};
    return connected_;
  }
  bool Connected() const override { return connected_; }
  void Disconnect() override { connected_ = false; }
  bool SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds) override {
    Require(body.size() <= platform::remote::kMaxFrameBody, "requests fit a frame");
    return connected_;
  }
  std::optional<std::vector<uint8_t>> ReceiveFrame(std::chrono::milliseconds) override {
    if (!connected_) return std::nullopt;
    // 0xFFFF: the server hangs up instead of answering.
    const uint16_t size = in_.U16();
    if (size == 0xFFFF) {
      connected_ = false;
      fault_ = {platform::remote::LinkFault::Kind::kClosed, "closed"};
      return std::nullopt;
    }
    const auto bytes = in_.Bytes(size);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  const platform::remote::LinkFault& LastFault() const override { return fault_; }

 private:
  FuzzInput& in_;
  bool connected_ = false;
  platform::remote::LinkFault fault_;
};

inline void RunWireClientInput(std::span<const uint8_t> data) {
  FuzzInput in(data);
  // The decoders on their own, against a request size from the input.
  {
    const uint16_t requested = in.U16();
    const auto body = in.Piece();
    if (auto d = platform::remote::DecodeData(body, requested)) {
      Require(d->data.size() <= requested, "no more data than asked for");
    }
    platform::remote::DecodeEnumerate(body);
    platform::remote::DecodeOpen(body);
    platform::remote::DecodeResultOnly(body);
  }
  platform::VirtualClock clock;
  platform::remote::RemoteHidBackend hid("unix:fuzz", std::make_unique<ScriptedChannel>(in), &clock,
                                         std::chrono::milliseconds(100));
  platform::DebugLog log;
  devlink::BoardLink link(hid, clock, log);
  if (!link.USBDeviceDetect_Win32()) {
    Require(!link.LastDetectError().empty() || hid.StackError().empty(),
            "a server failure during detection is named");
    return;
  }
  for (int step = 0; step < 16 && !in.Empty(); ++step) {
    switch (in.U8() % 4) {
      case 0:
        link.USBSendCommand(in.U8(), in.U8(), in.U8(), in.U8(), in.U8());
        break;
      case 1: {
        std::vector<uint8_t> dest(in.U16() % 1024);
        flash::ReadBoardMemory(link, in.U32(), static_cast<uint32_t>(dest.size()), dest.data());
        break;
      }
      case 2: {
        std::array<uint8_t, 64> text{};
        size_t got = 0;
        link.ReadDeviceText(text, &got);
        Require(got < text.size(), "device text within its buffer");
        break;
      }
      default:
        link.RereadSerial();
        break;
    }
  }
}

}  // namespace vt::fuzz
