#pragma once

// Shell completion scripts of a CLI11 program, generated from its command
// definitions so they never lag behind the options.

#include <string>

namespace CLI {
class App;
}

namespace vt::docgen {

// A bash completion script: subcommands and options at every level, file
// names where a command takes a file.
std::string BashCompletion(const CLI::App& app);

// zsh and fish completion scripts with the same words as the bash one,
// plus each command's and option's description.
std::string ZshCompletion(const CLI::App& app);
std::string FishCompletion(const CLI::App& app);

}  // namespace vt::docgen
