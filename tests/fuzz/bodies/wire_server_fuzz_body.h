#pragma once

// The board server's side of the wire protocol: two clients' request
// streams against virtual boards, one through the frame reader as raw
// bytes, one as whole bodies. Every answer must be one the panel's own
// decoders accept, and a client that goes away leaves no handle open.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "platform/remote/wire_format.h"
#include "sim/hid/virtual_hid_backend.h"
#include "sim/wire/wire_frames.h"
#include "sim/wire/wire_session.h"
#include "tests/fuzz/bodies/fuzz_input.h"

namespace vt::fuzz {

// Checks a response against the request it answers.
inline void CheckWireResponse(std::span<const uint8_t> request, std::span<const uint8_t> response) {
  namespace remote = vt::platform::remote;
  remote::ByteReader req(request);
  uint8_t op = 0;
  req.U8(&op);
  Require(response.size() >= 4, "every response starts with a result");
  switch (op) {
    case 0x01:
      Require(remote::DecodeEnumerate(response).has_value(), "ENUMERATE answer decodes");
      return;
    case 0x02:
      Require(remote::DecodeOpen(response).has_value(), "OPEN answer decodes");
      return;
    case 0x03:
    case 0x04:
      Require(remote::DecodeResultOnly(response).has_value(), "CLOSE/WRITE answer decodes");
      return;
    case 0x05:
    case 0x06:
    case 0x07: {
      uint32_t handle = 0, wait = 0;
      uint8_t index = 0;
      uint16_t size = 0;
      req.U32(&handle);
      if (op == 0x05) req.U32(&wait);
      if (op == 0x06) req.U8(&index);
      req.U16(&size);
      if (req.Ok()) Require(remote::DecodeData(response, size).has_value(), "data answer decodes");
      return;
    }
    default:
      // Opcodes the server does not know get a bare failure.
      if (op < 0x01 || op > 0x0F) {
        Require(response.size() == 4 && remote::DecodeResultOnly(response) == platform::kWaitFailed,
                "unknown opcode: -1 and nothing more");
      }
      return;
  }
}

// The board stacks an input runs against. A board holds hundreds of KiB of
// flash, and building one per input cost more than the whole session, so
// they are built once and reset to factory state for each input, which
// leaves them as newly built.
struct WireServerStacks {
  platform::VirtualClock clock;
  sim::VirtualHidBackend one{clock};  // a standard board
  sim::VirtualHidBackend two{clock};  // ... and an R-board beside it
  WireServerStacks() {
    one.AddBoard(sim::BoardConfig::Standard('W'));
    two.AddBoard(sim::BoardConfig::Standard('W'));
    two.AddBoard(sim::BoardConfig::VariantR());
  }
};

inline void RunWireServerInputOn(std::span<const uint8_t> data, WireServerStacks& stacks) {
  FuzzInput in(data);
  stacks.clock = platform::VirtualClock();
  sim::VirtualHidBackend& backend = in.Bool() ? stacks.two : stacks.one;
  backend.FactoryReset();
  {
    auto raw = std::make_unique<sim::WireSession>(backend);
    sim::FrameReader frames(platform::remote::kMaxFrameBody);
    sim::WireSession whole(backend);
    for (int step = 0; step < 64 && !in.Empty(); ++step) {
      const uint8_t how = in.U8();
      const auto piece = in.Piece();
      if ((how & 1) == 0) {
        CheckWireResponse(piece, whole.Handle(piece));
        continue;
      }
      frames.Append(piece);
      while (auto body = frames.Next()) CheckWireResponse(*body, raw->Handle(*body));
      if (frames.Broken()) {
        // The server drops such a client; its handles go with it.
        raw = std::make_unique<sim::WireSession>(backend);
        frames = sim::FrameReader(platform::remote::kMaxFrameBody);
      }
    }
  }
  Require(backend.OpenHandles() == 0, "no handle outlives its client");
}

inline void RunWireServerInput(std::span<const uint8_t> data) {
  static WireServerStacks stacks;
  RunWireServerInputOn(data, stacks);
}

}  // namespace vt::fuzz
