#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}
namespace vt::platform {
class StopSignals;
}

namespace vt::cli {

class CliContext;

// Runs the `velotrack` command line with `args` (program name excluded),
// writing to `out` and `err`; returns the process exit status.
// `stopRequested` ends long-running commands (Ctrl-C in the real program);
// `signals` are the program's stop requests, held while a board's flash
// changes.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::function<bool()> stopRequested = nullptr, platform::StopSignals* signals = nullptr);

inline constexpr const char* kCliDescription = "Velotrack board command line";

// Every option and subcommand of `velotrack` on `app`, bound to `ctx`. The
// shell completion and the man page are generated from the same tree.
void DefineCli(CLI::App& app, CliContext& ctx);

// Each group of subcommands registers itself on the app; the group's file
// holds its commands. A new group adds its function here and to the list in
// cli_app.cpp.
void RegisterDeviceCommands(CLI::App& app, CliContext& ctx);
void RegisterProfilesCommands(CLI::App& app, CliContext& ctx);
void RegisterFirmwareCommands(CLI::App& app, CliContext& ctx);
void RegisterBackupsCommands(CLI::App& app, CliContext& ctx);

}  // namespace vt::cli
