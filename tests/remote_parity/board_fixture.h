#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "devlink/board_link.h"
#include "parity_board.h"
#include "platform/clock.h"
#include "platform/debug_log.h"

namespace vt::testing {

inline const auto kBothBackends = ::testing::Values(Backend::kInProcess, Backend::kOverWire);

// A board link on virtual time over the backend a test is run with.
class OverBackend {
 public:
  std::unique_ptr<ParityBoard> board;
  std::unique_ptr<devlink::BoardLink> link;
  platform::VirtualClock clock{1000};
  platform::DebugLog log;

  // Sets up the board; the caller asserts on the result.
  ::testing::AssertionResult Attach(Backend backend, const std::string& preset,
                                    const sim::FaultPlan& faults = {}) {
    link.reset();
    std::string error;
    board = ParityBoard::Make(backend, preset, faults, clock, &error);
    if (!board) return ::testing::AssertionFailure() << error;
    link = std::make_unique<devlink::BoardLink>(board->Hid(), clock, log);
    return ::testing::AssertionSuccess();
  }
};

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kInProcess ? "InProcess" : "OverWire";
}

}  // namespace vt::testing
