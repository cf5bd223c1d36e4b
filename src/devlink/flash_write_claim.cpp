#include "devlink/flash_write_claim.h"

namespace vt::devlink {

FlashWriteClaim::FlashWriteClaim(BoardLink& link) : link_(link) {
  if (link_.claimDepth_ > 0) {
    // The operation around this one holds the board already.
    ++link_.claimDepth_;
    granted_ = true;
    return;
  }
  link_.lastBusy_.clear();
  path_ = link_.Identity().devicePath;
  platform::Clock& clock = link_.GetClock();
  const uint32_t start = clock.NowMs();
  std::string holder;
  for (;;) {
    const int rc = link_.Hid().Claim(path_, link_.ClientName(), &holder);
    if (rc == platform::kWaitOk) break;
    if (rc != platform::kWaitTimeout) {
      const std::string stack = link_.StackError();
      refusal_ = stack.empty() ? "the board could not be reserved for writing" : stack;
      return;
    }
    if (static_cast<uint32_t>(clock.NowMs() - start) >= link_.ClaimWaitMs()) {
      refusal_ = "the board is busy: used by " + holder + "; board " +
                 link_.Identity().SerialText() + " at " + path_;
      link_.lastBusy_ = refusal_;
      return;
    }
    clock.SleepMs(kRetryMs);
  }
  link_.claimDepth_ = 1;
  granted_ = true;
  outermost_ = true;
}

FlashWriteClaim::~FlashWriteClaim() {
  if (!granted_) return;
  --link_.claimDepth_;
  if (outermost_) link_.Hid().Release(path_);
}

}  // namespace vt::devlink
