#include "docgen/command_tree.h"

#include <CLI/CLI.hpp>

namespace vt::docgen {
namespace {

void Walk(const CLI::App& app, const std::string& path, std::vector<CommandNode>& out) {
  out.push_back({path, &app});
  for (const CLI::App* sub : Subcommands(app)) {
    Walk(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), out);
  }
}

}  // namespace

std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
}

std::vector<CommandNode> AllCommands(const CLI::App& app) {
  std::vector<CommandNode> out;
  Walk(app, "", out);
  return out;
}

std::vector<std::string> OptionNames(const CLI::Option& opt) {
  std::vector<std::string> names;
  for (const auto& s : opt.get_snames()) names.push_back("-" + s);
  for (const auto& l : opt.get_lnames()) names.push_back("--" + l);
  return names;
}

bool TakesFile(const CLI::Option& opt) {
  if (opt.get_type_name() == "FILE") return true;
  static const char* kFileNames[] = {"FILE", "IN", "OUT", "A", "B", "BACKUP", "--file", "--output", "--backup-dir",
                                     "--trace"};
  const std::string name = opt.get_name(false, true);
  for (const char* f : kFileNames) {
    if (name == f || name.find(std::string(f) + ",") != std::string::npos) return true;
  }
  for (const auto& l : opt.get_lnames()) {
    for (const char* f : kFileNames) {
      if ("--" + l == f) return true;
    }
  }
  return false;
}

std::string Join(const std::vector<std::string>& items, const std::string& sep) {
  std::string out;
  for (const auto& i : items) out += (out.empty() ? "" : sep) + i;
  return out;
}

}  // namespace vt::docgen
