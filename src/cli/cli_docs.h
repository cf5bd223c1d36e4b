#pragma once

// The shell completion script and the man page of `velotrack`, generated
// from its command definitions so they never lag behind the options.

#include <string>

namespace CLI {
class App;
}

namespace vt::cli {

// A bash completion script: subcommands and options at every level, file
// names where a command takes a file.
std::string BashCompletion(const CLI::App& app);

// The man page (troff, section 1): synopsis, global options, every command
// with its options, and the exit status.
std::string ManPage(const CLI::App& app);

}  // namespace vt::cli
