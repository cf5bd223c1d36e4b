#pragma once

// The command line of velotrack-board: every subcommand and option, defined
// once for the program itself and for its generated man page and shell
// completions.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "docgen/man_page.h"
#include "sim/board/virtual_board.h"

namespace vt::sim {

inline constexpr const char* kServerDescription =
    "Virtual Velotrack board served over the board wire protocol";

// What `serve` was asked for.
struct ServeOptions {
  std::string listen;
  std::vector<std::string> presets;
  std::vector<std::string> serials;
  std::vector<std::string> flashFiles;
  std::string trafficLog;
  uint32_t latencyMs = 0;  // a real delay before each USB transaction is answered
  // Stop the client at this flash command (0: only count them); -1: off.
  int64_t stopClientAt = -1;
  FaultPlan faults;
};

struct ServerCommands {
  CLI::App* serve = nullptr;
  // Runs `usb` when it was the command given and gives its exit code;
  // otherwise gives nothing.
  std::function<std::optional<int>()> runUsb;
};

// Every subcommand of velotrack-board on `app`; `serve` fills `options`.
ServerCommands DefineServerCli(CLI::App& app, ServeOptions& options);

// What the man page says beyond the command definitions.
docgen::ManPageText ServerManPageText();

}  // namespace vt::sim
