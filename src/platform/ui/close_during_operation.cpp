#include "platform/ui/close_during_operation.h"

namespace vt::platform {

CloseRoute RouteClose(bool operationRunning, bool questionsOpen) {
  if (operationRunning) return CloseRoute::kHoldForOperation;
  if (questionsOpen) return CloseRoute::kQueue;
  return CloseRoute::kRaiseNow;
}

bool CloseDuringOperation::AskNow(bool unattended) {
  const bool ask = asked_ && !pending_ && !unattended;
  if (unattended && asked_) pending_ = true;
  asked_ = false;
  return ask;
}

bool CloseDuringOperation::TakeAtEnd() {
  const bool close = pending_;
  Reset();
  return close;
}

}  // namespace vt::platform
