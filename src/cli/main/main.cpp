#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/guarded_main.h"
#include "platform/program_text.h"

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

int RunVelotrack(int argc, char** argv) {
  std::signal(SIGINT, OnInterrupt);
  const vt::platform::ConsoleText console;
  const std::vector<std::string> args = vt::platform::ProgramArguments(argc, argv);
  return vt::cli::RunCli(args, std::cout, std::cerr, [] { return g_interrupted != 0; });
}

}  // namespace

int main(int argc, char** argv) {
  return vt::platform::RunGuardedMain("velotrack", [&] { return RunVelotrack(argc, argv); });
}
