#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/guarded_main.h"
#include "platform/stop_signals.h"
#include "platform/program_text.h"

namespace {

int RunVelotrack(int argc, char** argv) {
  // Ctrl-C ends `messages --follow`; while a board's flash changes, every
  // stop request waits for the change to be complete.
  vt::platform::ProcessStopSignals signals;
  const vt::platform::ConsoleText console;
  const std::vector<std::string> args = vt::platform::ProgramArguments(argc, argv);
  return vt::cli::RunCli(args, std::cout, std::cerr, [&signals] { return signals.Pending() != 0; }, &signals);
}

}  // namespace

int main(int argc, char** argv) {
  return vt::platform::RunGuardedMain("velotrack", [&] { return RunVelotrack(argc, argv); });
}
