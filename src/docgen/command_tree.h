#pragma once

// The command tree of a CLI11 application as the generated documents walk
// it: every command with its path, option names, and which options and
// arguments name files.

#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace vt::docgen {

struct CommandNode {
  std::string path;  // "profiles get"; empty for the program itself
  const CLI::App* app;
};

// The named subcommands of `app`, in definition order.
std::vector<const CLI::App*> Subcommands(const CLI::App& app);
// The program first, then every command depth first.
std::vector<CommandNode> AllCommands(const CLI::App& app);
// "-y", "--yes": short names first.
std::vector<std::string> OptionNames(const CLI::Option& opt);
// Option values and positionals that name files.
bool TakesFile(const CLI::Option& opt);
std::string Join(const std::vector<std::string>& items, const std::string& sep);

}  // namespace vt::docgen
