#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

int RunVelotrack(int argc, char** argv) {
  std::signal(SIGINT, OnInterrupt);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return vt::cli::RunCli(args, std::cout, std::cerr, [] { return g_interrupted != 0; });
}

}  // namespace

// Whatever escapes (an allocation that failed, a library's exception) ends
// the program with a message and a failure code, never with an abort.
int main(int argc, char** argv) {
  try {
    return RunVelotrack(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velotrack: unexpected error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "velotrack: unexpected error\n");
  }
  return 1;
}
