// POSIX side of the stop requests: sigaction handlers that record the
// signal while a hold is on and otherwise let it act as it always does.
#include <signal.h>

#include <csignal>

#include "platform/stop_signals.h"

namespace vt::platform {
namespace {

// A signal handler sees only process-wide state; this is all of it.
volatile std::sig_atomic_t gHeld = 0;
volatile std::sig_atomic_t gPending = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void OnStop(int sig) {
  if (gPending == 0) gPending = sig;
  if (gHeld != 0 || sig == SIGINT) return;
  // Not held: the signal's own action, which ends the program. It is
  // blocked while this handler runs and acts as soon as it returns.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
  raise(sig);
}

}  // namespace

ProcessStopSignals::ProcessStopSignals() {
  gHeld = 0;
  gPending = 0;
  struct sigaction action = {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  for (int sig : kStopSignals) sigaddset(&action.sa_mask, sig);
  // Interrupted waits on the board go on; the request is looked at between
  // operations, never in the middle of one.
  action.sa_flags = SA_RESTART;
  for (int sig : kStopSignals) sigaction(sig, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
}

ProcessStopSignals::~ProcessStopSignals() {
  for (int sig : kStopSignals) std::signal(sig, SIG_DFL);
  gHeld = 0;
}

bool ProcessStopSignals::Hold() {
  if (gHeld != 0) return true;
  if (gPending != 0) return false;
  gHeld = 1;
  return true;
}

bool ProcessStopSignals::Held() const { return gHeld != 0; }

int ProcessStopSignals::Pending() const { return gPending; }

std::string StopSignalName(int request) {
  switch (request) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGQUIT: return "SIGQUIT";
    default: return "signal " + std::to_string(request);
  }
}

int StopExitCode(int request) { return 128 + request; }

}  // namespace vt::platform
