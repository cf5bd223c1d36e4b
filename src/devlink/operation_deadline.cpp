#include "devlink/operation_deadline.h"

#include <algorithm>

namespace vt::devlink {

using platform::kWaitTimeout;

void DeadlineHid::Begin(std::string operation, uint32_t budgetMs) {
  if (deadlines_.empty()) expired_.clear();
  deadlines_.push_back({std::move(operation), clock_.NowMs(), budgetMs});
}

void DeadlineHid::End() {
  if (!deadlines_.empty()) deadlines_.pop_back();
}

bool DeadlineHid::Allow(uint32_t* waitMs) {
  const uint32_t now = clock_.NowMs();
  for (const Deadline& d : deadlines_) {
    const uint32_t elapsed = now - d.startMs;
    if (elapsed >= d.budgetMs) {
      if (expired_.empty()) {
        expired_ = "the " + d.operation + " did not finish within " + std::to_string(d.budgetMs / 1000) +
                   " s (the board answers too slowly)";
      }
      return false;
    }
    *waitMs = std::min(*waitMs, d.budgetMs - elapsed);
  }
  return true;
}

int DeadlineHid::Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  if (!Allow(&waitMs)) return kWaitTimeout;
  return Inner().Write(handle, report, waitMs);
}

int DeadlineHid::Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  *got = 0;
  if (!Allow(&waitMs)) return kWaitTimeout;
  return Inner().Read(handle, buf, waitMs, got);
}

// A string fetch has no wait of its own; only a passed deadline stops it.
int DeadlineHid::GetIndexedString(platform::HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                  size_t* got) {
  *got = 0;
  uint32_t unused = UINT32_MAX;
  if (!Allow(&unused)) return kWaitTimeout;
  return Inner().GetIndexedString(handle, index, buf, got);
}

int DeadlineHid::GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  uint32_t unused = UINT32_MAX;
  if (!Allow(&unused)) return kWaitTimeout;
  return Inner().GetSerial(handle, buf, got);
}

}  // namespace vt::devlink
