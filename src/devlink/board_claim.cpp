#include "devlink/board_claim.h"

#include <algorithm>

namespace vt::devlink {

uint32_t BoardClaim::RetryDelayMs(uint32_t asked) {
  // 5, 10, 20, 40, 80, then 100 ms.
  const uint32_t shift = std::min<uint32_t>(asked, 5);
  return std::min(kFirstRetryMs << shift, kRetryMs);
}

BoardClaim::BoardClaim(BoardLink& link, Wait wait) : link_(link) {
  if (link_.claimDepth_ > 0) {
    // The operation around this one holds the board already.
    ++link_.claimDepth_;
    granted_ = true;
    return;
  }
  link_.lastBusy_.clear();
  path_ = link_.Identity().devicePath;
  bool redetected = false;
  if (path_.empty()) {
    // Nothing found yet: without a board there is nothing to hold.
    redetected = true;
    if (!link_.USBDeviceDetect_Win32()) {
      const std::string stack = link_.StackError();
      refusal_ = stack.empty() ? "no board found" : stack;
      return;
    }
    path_ = link_.Identity().devicePath;
  }
  platform::Clock& clock = link_.GetClock();
  const uint32_t start = clock.NowMs();
  const uint32_t waitMs = wait == Wait::kBounded ? link_.ClaimWaitMs() : 0;
  std::string holder;
  for (uint32_t asked = 0;; ++asked) {
    const int rc = link_.Hid().Claim(path_, link_.ClientName(), &holder);
    if (rc == platform::kWaitOk) break;
    // A board that is not (or no longer) at the path known, as after a
    // restart that gave it a new node, is looked for once and asked there.
    if (rc == platform::kWaitFailed && !redetected) {
      redetected = true;
      if (link_.USBDeviceDetect_Win32() && link_.Identity().devicePath != path_) {
        path_ = link_.Identity().devicePath;
        continue;
      }
    }
    if (rc != platform::kWaitTimeout) {
      const std::string stack = link_.StackError();
      refusal_ = stack.empty() ? "the board could not be reserved" : stack;
      return;
    }
    const uint32_t waited = clock.NowMs() - start;
    if (waited >= waitMs) {
      busy_ = true;
      refusal_ = "the board is busy: used by " + holder + "; board " + link_.Identity().SerialText() +
                 " at " + path_;
      link_.lastBusy_ = refusal_;
      return;
    }
    // The last nap ends at the limit, so the wait is as long as asked for.
    clock.SleepMs(std::min(RetryDelayMs(asked), waitMs - waited));
  }
  link_.claimDepth_ = 1;
  granted_ = true;
  outermost_ = true;
}

BoardClaim::~BoardClaim() {
  if (!granted_) return;
  --link_.claimDepth_;
  if (outermost_) link_.Hid().Release(path_);
}

}  // namespace vt::devlink
