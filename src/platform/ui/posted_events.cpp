#include "platform/ui/posted_events.h"

#include <algorithm>

namespace vt::platform {

bool PostedEvents::PushDeviceChange(WindowHandle window) {
  const bool waiting = std::any_of(events_.begin(), events_.end(), [window](const UiEvent& e) {
    return e.kind == EventKind::DeviceChange && e.window == window;
  });
  if (waiting) return false;
  events_.push_back({window, EventKind::DeviceChange, 0, 0});
  return true;
}

void PostedEvents::DropWindow(WindowHandle window) {
  std::erase_if(events_, [window](const UiEvent& e) { return e.window == window; });
}

PostedEvents::Step PostedEvents::Next(const LoopState& state, UiEvent* event) {
  if (state.pumping || events_.empty() || state.quitting) return Step::kWait;
  if (state.questionsOpen) {
    // Also inside an operation: its question answered "no" is safe.
    return events_.front().kind == EventKind::Close ? Step::kCloseQuestions : Step::kWait;
  }
  if (state.operationRunning) return Step::kWait;
  *event = events_.front();
  events_.pop_front();
  return Step::kRaise;
}

}  // namespace vt::platform
