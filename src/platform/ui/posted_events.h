#pragma once

// The program's own events (posted commands, closes, device changes)
// waiting for a desktop toolkit's loop, and the rule for when the loop may
// raise them. Each toolkit keeps only the wake-up of its loop.

#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/ui/ui_types.h"

namespace vt::platform {

class PostedEvents {
 public:
  void Push(const UiEvent& event) { events_.push_back(event); }
  // Queues a device change for the window unless one already waits: one
  // notice stands for every change that comes before it runs. False when
  // one was waiting.
  bool PushDeviceChange(WindowHandle window);
  // Forgets what waits for a window that is gone.
  void DropWindow(WindowHandle window);
  bool Empty() const { return events_.empty(); }
  size_t Size() const { return events_.size(); }

  struct LoopState {
    bool pumping = false;           // the paint pump of an operation runs
    bool quitting = false;          // the loop has been asked to end
    bool questionsOpen = false;     // a modal window is open
    bool operationRunning = false;  // between BeginOperation and EndOperation
  };
  enum class Step : uint8_t {
    kWait,            // nothing may run now
    kCloseQuestions,  // a close is first in line: answer the open questions "no" first
    kRaise,           // raise *event (taken from the queue)
  };
  // What the loop does next. Posted events wait until the long operation
  // is over and every question is answered: they are the program's own and
  // must not run inside either (a second question over the first, a window
  // destroyed inside a question's loop).
  Step Next(const LoopState& state, UiEvent* event);

 private:
  std::deque<UiEvent> events_;
};

}  // namespace vt::platform
