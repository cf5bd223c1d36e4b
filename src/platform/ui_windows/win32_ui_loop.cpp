// Win32Ui: events, timers, posted commands, the message loop and the paint
// pump.
#include <algorithm>

#include "platform/ui_windows/ui_messages.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

// Messages one paint pump handles at most, so that a window that keeps
// invalidating itself cannot hold the operation up.
constexpr int kMaxPumpMessages = 1000;

// What a person does: keys, the mouse, touch and pen, in the client area
// and on the frame. The pump drops these.
bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         (message >= WM_NCMOUSEHOVER && message <= WM_MOUSELEAVE) ||
         (message >= WM_TOUCH && message <= 0x0257 /* last pointer message */) ||
         message == WM_CONTEXTMENU;
}

}  // namespace

void Win32Ui::Raise(const UiEvent& event) {
  if (FindWindow(event.window) == nullptr || !handler_) return;
  // A copy, so that a handler may replace itself while it runs.
  EventHandler handler = handler_;
  handler(event);
}

// ---- Timers -------------------------------------------------------------------

void Win32Ui::SetTimer(WindowHandle window, uint16_t timerId, uint32_t periodMs) {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  timers_[{window, timerId}] = periodMs;
  if (!manualTimers_ && entry->hwnd != nullptr) {
    ::SetTimer(entry->hwnd, timerId, std::max(periodMs, kMinTimerPeriodMs), nullptr);
  }
}

bool Win32Ui::KillTimer(WindowHandle window, uint16_t timerId) {
  if (timers_.erase({window, timerId}) == 0) return false;
  if (const HWND hwnd = Hwnd(window)) ::KillTimer(hwnd, timerId);
  return true;
}

void Win32Ui::KillTimersOf(WindowHandle window) {
  const HWND hwnd = Hwnd(window);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first != window) {
      ++it;
      continue;
    }
    if (hwnd != nullptr) ::KillTimer(hwnd, it->first.second);
    it = timers_.erase(it);
  }
}

std::optional<uint32_t> Win32Ui::TimerPeriod(WindowHandle window, uint16_t timerId) const {
  auto it = timers_.find({window, timerId});
  if (it == timers_.end()) return std::nullopt;
  return it->second;
}

bool Win32Ui::RaiseTimer(WindowHandle window, uint16_t timerId) {
  const HWND hwnd = Hwnd(window);
  if (hwnd == nullptr || !timers_.contains({window, timerId})) return false;
  SendMessageW(hwnd, WM_TIMER, timerId, 0);
  return true;
}

// ---- Commands and the loop ----------------------------------------------------------

void Win32Ui::SendCommand(WindowHandle window, uint16_t commandId, uint16_t code) {
  Raise({window, EventKind::Command, commandId, code});
}

void Win32Ui::PostCommand(WindowHandle window, uint16_t commandId) {
  if (FindWindow(window) == nullptr) return;
  Queue({window, EventKind::Command, commandId, notify::kMenu});
}

void Win32Ui::PostClose(WindowHandle window) {
  if (FindWindow(window) == nullptr) return;
  Queue({window, EventKind::Close, 0, 0});
}

void Win32Ui::Queue(const UiEvent& event) {
  posted_.Push(event);
  ScheduleDrain();
}

void Win32Ui::ScheduleDrain() {
  if (drainScheduled_ || posted_.Empty() || host_ == nullptr) return;
  drainScheduled_ = PostMessageW(host_, kDrainMessage, 0, 0) != FALSE;
}

void Win32Ui::DrainOne() {
  drainScheduled_ = false;
  UiEvent event;
  const PostedEvents::LoopState state{pumping_, quitCode_.has_value(), !modals_.empty(),
                                      operationDepth_ > 0};
  switch (posted_.Next(state, &event)) {
    case PostedEvents::Step::kWait: return;
    case PostedEvents::Step::kCloseQuestions: CloseModals(); return;
    case PostedEvents::Step::kRaise: break;
  }
  // One at a time, so paints and timers run between posted commands.
  ScheduleDrain();
  ++postedRaised_;
  Raise(event);
}

void Win32Ui::PostQuit(int exitCode) {
  if (quitCode_) return;
  quitCode_ = exitCode;
  PostQuitMessage(exitCode);
}

bool Win32Ui::IsDialogKey(MSG& msg) {
  // Tab, the arrow keys, Enter and Escape move through a window's controls
  // the way they do in any dialog.
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  const WindowEntry* entry = FindWindow(HandleOf(root));
  if (entry == nullptr || entry->modal) return false;
  return IsDialogMessageW(root, &msg) != FALSE;
}

int Win32Ui::RunMessageLoop() {
  if (quitCode_) return *quitCode_;
  ScheduleDrain();
  MSG msg{};
  BOOL got = FALSE;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    if (IsDialogKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (got < 0) return quitCode_.value_or(1);
  return quitCode_.value_or(static_cast<int>(msg.wParam));
}

size_t Win32Ui::RunPending(size_t limit) {
  const size_t start = postedRaised_;
  int stalled = 0;
  while (!quitCode_ && !posted_.Empty() && postedRaised_ - start < limit && stalled < 2) {
    const size_t before = postedRaised_;
    MSG msg{};
    while (!quitCode_ && postedRaised_ - start < limit &&
           PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        if (!quitCode_) quitCode_ = static_cast<int>(msg.wParam);
        break;
      }
      if (IsDialogKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (postedRaised_ != before) {
      stalled = 0;
      continue;
    }
    // Nothing ran: the drain request may have been used up while it could
    // not run; ask once more, then give up (an operation or a question
    // holds the queue).
    ++stalled;
    drainScheduled_ = false;
    ScheduleDrain();
  }
  return postedRaised_ - start;
}

void Win32Ui::PumpPaintMessages() {
  if (pumping_) return;
  pumping_ = true;
  std::optional<WPARAM> quit;
  MSG msg{};
  for (int n = 0; n < kMaxPumpMessages && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      quit = msg.wParam;
      break;
    }
    if (IsUserInput(msg.message)) {
      NoteCloseGesture(msg);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The loop that ends the program still has to see the quit.
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  if (operationDepth_ > 0) AskCloseDuringOperation();
  pumping_ = false;
  ++paintPumps_;
  ScheduleDrain();
}

// A close asked for from the frame while input is dropped: the close box,
// or Alt+F4. Remembered, and asked about after the pump.
void Win32Ui::NoteCloseGesture(const MSG& msg) {
  const bool closeBox = (msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCLBUTTONUP) &&
                        msg.wParam == HTCLOSE;
  const bool altF4 = msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4;
  if (!closeBox && !altF4) return;
  const WindowEntry* entry = FindWindow(HandleOf(GetAncestor(msg.hwnd, GA_ROOT)));
  if (entry != nullptr && !entry->modal) close_.Asked();
}

}  // namespace vt::platform::win32
