#pragma once

// The ways one HID primitive can go wrong, as armed on a virtual board: the
// Nth write fails, times out, or is acknowledged but not carried out; the
// Nth read-back fails or comes back corrupted.

#include <array>
#include <cstdint>
#include <string>

#include "sim/board/virtual_board.h"

namespace vt::testing {

enum class FaultMode : uint8_t { kWriteFails, kWriteTimesOut, kWriteIgnored, kReadFails, kReadCorrupted };

inline constexpr std::array<FaultMode, 5> kAllFaultModes = {
    FaultMode::kWriteFails, FaultMode::kWriteTimesOut, FaultMode::kWriteIgnored,
    FaultMode::kReadFails, FaultMode::kReadCorrupted};

inline const char* FaultModeName(FaultMode mode) {
  switch (mode) {
    case FaultMode::kWriteFails: return "write fails";
    case FaultMode::kWriteTimesOut: return "write times out";
    case FaultMode::kWriteIgnored: return "write acknowledged but not done";
    case FaultMode::kReadFails: return "read-back fails";
    case FaultMode::kReadCorrupted: return "read-back corrupted";
  }
  return "?";
}

inline bool HitsWrites(FaultMode mode) {
  return mode == FaultMode::kWriteFails || mode == FaultMode::kWriteTimesOut ||
         mode == FaultMode::kWriteIgnored;
}

// A plan that fires once, at the nth primitive of the mode's kind.
inline sim::FaultPlan PlanFor(FaultMode mode, uint32_t n) {
  sim::FaultPlan plan;
  switch (mode) {
    case FaultMode::kWriteFails: plan.failWrite = n; break;
    case FaultMode::kWriteTimesOut: plan.timeoutWrite = n; break;
    case FaultMode::kWriteIgnored: plan.ignoreWrite = n; break;
    case FaultMode::kReadFails: plan.failStringRead = n; break;
    case FaultMode::kReadCorrupted: plan.corruptStringRead = n; break;
  }
  return plan;
}

// Primitives of the mode's kind the board saw since its log was cleared.
inline uint32_t PrimitivesSeen(sim::VirtualBoard& board, FaultMode mode) {
  const auto kind = HitsWrites(mode) ? sim::TrafficEntry::Kind::kWrite
                                     : sim::TrafficEntry::Kind::kIndexedString;
  return static_cast<uint32_t>(board.Traffic().OfKind(kind).size());
}

}  // namespace vt::testing
