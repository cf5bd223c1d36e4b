#include "cli/held_stop.h"

#include "platform/stop_signals.h"

namespace vt::cli {

int ReportHeldStop(CliContext& ctx, bool ok, const std::string& holds) {
  const platform::StopSignals* signals = ctx.stopSignals;
  if (signals == nullptr || signals->Pending() == 0) return 0;
  const int request = signals->Pending();
  const std::string name = platform::StopSignalName(request);
  if (!signals->Held()) {
    ctx.err << "interrupted (" << name << ") before anything was erased: the board holds what it held before\n";
  } else if (ok) {
    ctx.err << "interrupted (" << name << "): the board holds " << holds << '\n';
  } else {
    return 0;
  }
  return platform::StopExitCode(request);
}

}  // namespace vt::cli
