#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace vt::platform {

uint32_t SystemClock::NowMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SystemClock::SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vt::platform
