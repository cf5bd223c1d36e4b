#pragma once

// What `velotrack` says about itself: its version, `help [COMMAND]`, the
// list of commands a bare `velotrack` prints, and the command a mistyped
// word was probably meant to be.

#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace vt::cli {

class CliContext;

// "velotrack 2.6.76": the program's release.
std::string VersionText();

// Adds --version and the `help [COMMAND...]` command to the top of `app`.
void RegisterUsageCommands(CLI::App& app, CliContext& ctx);

// The help of `app` itself (the program, a group or a command).
std::string HelpText(const CLI::App& app);

// The command among `candidates` that `word` most likely meant: one whose
// name starts with `word` (at least two letters), or one at most two edits
// (insert, delete, change, swap two neighbours) away, the nearest first.
// Empty when none is close.
std::string NearestCommand(std::string_view word, const std::vector<std::string>& candidates);

// The names of the subcommands of `app`, in the order they were added.
std::vector<std::string> CommandNames(const CLI::App& app);

}  // namespace vt::cli
