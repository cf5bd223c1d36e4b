// Windows side of the stop requests: a console control handler. Ctrl-C is
// recorded; Ctrl-Break and closing the console end the program unless a
// hold is on. The handler runs on a thread of its own, so for a close it
// waits there while the hold lasts: the system ends the program as soon as
// the handler returns (and in any case after a few seconds).
#include <windows.h>

#include <atomic>

#include "platform/stop_signals.h"

namespace vt::platform {
namespace {

// The handler sees only process-wide state; this is all of it.
std::atomic<bool> gHeld{false};
std::atomic<int> gPending{0};
std::atomic<bool> gInstalled{false};

constexpr int kCtrlC = 2;       // as SIGINT
constexpr int kCtrlBreak = 21;  // as SIGBREAK
constexpr int kClose = 1;       // as SIGHUP

BOOL WINAPI OnConsoleEvent(DWORD event) {
  int request = 0;
  switch (event) {
    case CTRL_C_EVENT: request = kCtrlC; break;
    case CTRL_BREAK_EVENT: request = kCtrlBreak; break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: request = kClose; break;
    default: return FALSE;
  }
  int none = 0;
  gPending.compare_exchange_strong(none, request);
  if (request == kCtrlC) return TRUE;
  if (!gHeld.load()) return FALSE;  // the default handler ends the program
  if (request == kClose) {
    // Returning would end the program at once: keep the change going for
    // as long as the system lets this handler run.
    while (gInstalled.load()) Sleep(50);
  }
  return TRUE;
}

}  // namespace

ProcessStopSignals::ProcessStopSignals() {
  gHeld = false;
  gPending = 0;
  gInstalled = true;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

ProcessStopSignals::~ProcessStopSignals() {
  gInstalled = false;
  gHeld = false;
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool ProcessStopSignals::Hold() {
  if (gHeld.load()) return true;
  if (gPending.load() != 0) return false;
  gHeld = true;
  return true;
}

bool ProcessStopSignals::Held() const { return gHeld.load(); }

int ProcessStopSignals::Pending() const { return gPending.load(); }

std::string StopSignalName(int request) {
  switch (request) {
    case kCtrlC: return "Ctrl-C";
    case kCtrlBreak: return "Ctrl-Break";
    case kClose: return "console closed";
    default: return "console event " + std::to_string(request);
  }
}

int StopExitCode(int request) { return 128 + request; }

}  // namespace vt::platform
