#pragma once

// The shell completion scripts and the man page of `velotrack`, generated
// from its command definitions so they never lag behind the options.

#include <string>

namespace CLI {
class App;
}

namespace vt::cli {

// A bash completion script: subcommands and options at every level, file
// names where a command takes a file.
std::string BashCompletion(const CLI::App& app);

// zsh and fish completion scripts with the same words as the bash one,
// plus each command's and option's description.
std::string ZshCompletion(const CLI::App& app);
std::string FishCompletion(const CLI::App& app);

// Every command's --help, one after the other under a heading with its
// command line: the help as plain text for where no man page is read.
std::string HelpText(const CLI::App& app);

// The man page (troff, section 1): synopsis, global options, every command
// with its options, and the exit status.
std::string ManPage(const CLI::App& app);

}  // namespace vt::cli
