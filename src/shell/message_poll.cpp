// The message poll's pace: fast while the board sends text, slower while it
// is quiet, and stopped while no board is attached where the board stack
// announces arrivals itself (the device watch).
#include <optional>

#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace vt::shell {

namespace {
namespace dp = resources::debug_page;
}  // namespace

void MainWindow::PollTick() {
  pollSawText_ = false;
  pollFoundNoBoard_ = false;
  // Both windows fetch: with the Debug page there are two reads per tick.
  if (pages_[kDebugSlot] != platform::kNoWindow) OnCommand(pages_[kDebugSlot], dp::kDebugInfo);
  OnCommand(window_, dp::kDebugInfo);
  PacePoll();
}

void MainWindow::PacePoll() {
  const std::optional<uint32_t> period = ui_.TimerPeriod(window_, kMessagePollTimer);
  if (!period) return;  // stopped meanwhile (the window closed)
  if (watchesDevices_ && pollFoundNoBoard_) {
    // Nothing to fetch from, and the watch says when that changes.
    ui_.KillTimer(window_, kMessagePollTimer);
    pollParked_ = true;
    return;
  }
  const uint32_t pace = pollSawText_ ? kMessagePollMs : kMessagePollQuietMs;
  if (*period != pace) ui_.SetTimer(window_, kMessagePollTimer, pace);
}

void MainWindow::OnDevicesChanged() {
  // A running poll notices a board that leaves by itself.
  if (!pollParked_) return;
  RestartMessagePoll();
  // The new board is looked for at once, not a tick later; without one the
  // poll parks again.
  if (ui_.TimerPeriod(window_, kMessagePollTimer)) PollTick();
}

}  // namespace vt::shell
