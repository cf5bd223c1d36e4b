#pragma once

#include <chrono>

namespace vt::platform {

// Milliseconds left until `deadline`, as poll() takes them: 0 once it has
// passed, and never more than capMs so a far deadline cannot overflow an int.
inline int RemainingPollMs(std::chrono::steady_clock::time_point deadline, int capMs) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  if (left <= 0) return 0;
  return left > capMs ? capMs : static_cast<int>(left);
}

}  // namespace vt::platform
