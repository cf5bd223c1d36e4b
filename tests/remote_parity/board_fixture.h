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

// "standard" -> "standard", "send-twice-12" -> "send_twice_12": preset names
// as test-name suffixes.
inline std::string PresetTestName(const char* preset) {
  std::string name(preset);
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return name;
}

inline std::string PresetName(const ::testing::TestParamInfo<const char*>& info) {
  return PresetTestName(info.param);
}

inline std::string BackendPresetName(
    const ::testing::TestParamInfo<std::tuple<Backend, const char*>>& info) {
  return std::string(std::get<0>(info.param) == Backend::kInProcess ? "InProcess" : "OverWire") +
         "_" + PresetTestName(std::get<1>(info.param));
}

}  // namespace vt::testing
