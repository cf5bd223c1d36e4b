// zsh and fish completion for a CLI11 program. Both find the command path
// from the words typed so far, the way the bash script does, then offer
// that command's subcommands and options with their descriptions, and file
// names where the command or the option before the cursor takes a file.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "docgen/shell_completion.h"
#include "docgen/command_tree.h"

namespace vt::docgen {
namespace {

// Text inside single quotes: zsh ends a quote with '\'' .
std::string ZshQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else if (c != '\n') {
      out += c;
    } else {
      out += ' ';
    }
  }
  return out + "'";
}

// A _describe entry "name:description"; a colon in the name is escaped.
std::string ZshEntry(const std::string& name, const std::string& description) {
  std::string n;
  for (char c : name) {
    if (c == ':') n += '\\';
    n += c;
  }
  return ZshQuoted(n + ":" + description);
}

// Text inside fish single quotes: only \ and ' are special.
std::string FishQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c == '\n' ? ' ' : c;
  }
  return out + "'";
}

std::string FunctionName(const std::string& program) {
  std::string fn = "_" + program;
  for (char& c : fn) {
    if (c == '-') c = '_';
  }
  return fn;
}

// Cases of a shell `case "$path|$word"` that step into a subcommand.
std::string PathCases(const std::vector<CommandNode>& commands, const std::string& var,
                      const std::string& indent, bool fish) {
  std::string s;
  for (const auto& c : commands) {
    if (c.path.empty()) continue;
    const size_t space = c.path.rfind(' ');
    const std::string parent = space == std::string::npos ? "" : c.path.substr(0, space);
    const std::string name = space == std::string::npos ? c.path : c.path.substr(space + 1);
    if (fish) {
      s += indent + "case " + FishQuoted(parent + "|" + name) + "\n" + indent + "    set " + var + " " +
           FishQuoted(c.path) + "\n";
    } else {
      s += indent + "(" + ZshQuoted(parent + "|" + name) + ") " + var + "=" + ZshQuoted(c.path) + " ;;\n";
    }
  }
  return s;
}

std::vector<std::string> FileOptions(const std::vector<CommandNode>& commands) {
  std::vector<std::string> names;
  for (const auto& c : commands) {
    for (const CLI::Option* opt : c.app->get_options()) {
      if (!opt->nonpositional() || opt->get_expected_min() <= 0 || !TakesFile(*opt)) continue;
      for (const auto& n : OptionNames(*opt)) {
        if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
      }
    }
  }
  return names;
}

bool TakesFiles(const CLI::App& app) {
  for (const CLI::Option* opt : app.get_options()) {
    if (!opt->nonpositional() && TakesFile(*opt)) return true;
  }
  return false;
}

}  // namespace

std::string BashCompletion(const CLI::App& app) {
  const std::string program = app.get_name();
  std::string fn = "_" + program;
  for (char& c : fn) {
    if (c == '-') c = '_';
  }
  const auto commands = AllCommands(app);
  std::string s = "# bash completion for " + program + ", generated from its command definitions\n";
  s += fn + "() {\n";
  s += "  local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\" path=\"\" i w\n";
  s += "  for ((i = 1; i < COMP_CWORD; i++)); do\n    w=\"${COMP_WORDS[i]}\"\n    case \"$path|$w\" in\n";
  for (const auto& c : commands) {
    if (c.path.empty()) continue;
    const size_t space = c.path.rfind(' ');
    const std::string parent = space == std::string::npos ? "" : c.path.substr(0, space);
    const std::string name = space == std::string::npos ? c.path : c.path.substr(space + 1);
    s += "      \"" + parent + "|" + name + "\") path=\"" + c.path + "\" ;;\n";
  }
  s += "    esac\n  done\n";
  // Options whose value is a file name.
  std::vector<std::string> fileOptions;
  for (const auto& c : commands) {
    for (const CLI::Option* opt : c.app->get_options()) {
      if (opt->nonpositional() && opt->get_type_size() > 0 && TakesFile(*opt)) {
        for (const auto& n : OptionNames(*opt)) {
          if (std::find(fileOptions.begin(), fileOptions.end(), n) == fileOptions.end()) fileOptions.push_back(n);
        }
      }
    }
  }
  s += "  case \"$prev\" in\n    " + Join(fileOptions, "|") +
       ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n  esac\n";
  s += "  local words=\"\" files=0\n  case \"$path\" in\n";
  for (const auto& c : commands) {
    std::vector<std::string> words;
    bool files = false;
    for (const CLI::Option* opt : c.app->get_options()) {
      if (opt->nonpositional()) {
        for (const auto& n : OptionNames(*opt)) words.push_back(n);
      } else if (TakesFile(*opt)) {
        files = true;
      }
    }
    for (const CLI::App* sub : Subcommands(*c.app)) words.push_back(sub->get_name());
    s += "    \"" + c.path + "\") words=\"" + Join(words, " ") + "\"" + (files ? "; files=1" : "") + " ;;\n";
  }
  s += "  esac\n";
  s += "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n";
  s += "  if [[ $files == 1 && $cur != -* ]]; then COMPREPLY+=($(compgen -f -- \"$cur\")); fi\n";
  s += "}\ncomplete -F " + fn + " " + program + "\n";
  return s;
}

std::string ZshCompletion(const CLI::App& app) {
  const std::string program = app.get_name();
  const std::string fn = FunctionName(program);
  const auto commands = AllCommands(app);
  std::string s = "#compdef " + program + "\n# zsh completion for " + program +
                  ", generated from its command definitions\n";
  // `path` is zsh's own array of command folders, so the walk uses `cmd`.
  s += fn + "() {\n  local cmd='' w i\n  local -a subs opts\n  local files=0\n";
  s += "  for ((i = 2; i < CURRENT; i++)); do\n    w=${words[i]}\n    case \"$cmd|$w\" in\n";
  s += PathCases(commands, "cmd", "      ", false);
  s += "    esac\n  done\n";
  s += "  case ${words[CURRENT-1]} in\n    (" + Join(FileOptions(commands), "|") +
       ") _files; return ;;\n  esac\n";
  s += "  case $cmd in\n";
  for (const auto& c : commands) {
    std::vector<std::string> subs;
    std::vector<std::string> opts;
    for (const CLI::App* sub : Subcommands(*c.app)) subs.push_back(ZshEntry(sub->get_name(), sub->get_description()));
    for (const CLI::Option* opt : c.app->get_options()) {
      if (!opt->nonpositional()) continue;
      for (const auto& n : OptionNames(*opt)) opts.push_back(ZshEntry(n, opt->get_description()));
    }
    s += "    (" + ZshQuoted(c.path) + ")\n      subs=(" + Join(subs, " ") + ")\n      opts=(" + Join(opts, " ") +
         ")\n" + (TakesFiles(*c.app) ? "      files=1\n" : "") + "      ;;\n";
  }
  s += "  esac\n";
  s += "  if [[ $PREFIX == -* ]]; then\n    _describe -t options option opts\n  else\n"
       "    (( ${#subs} )) && _describe -t commands command subs\n"
       "    (( files )) && _files\n  fi\n  return 0\n}\n";
  s += fn + " \"$@\"\n";
  return s;
}

std::string FishCompletion(const CLI::App& app) {
  const std::string program = app.get_name();
  const std::string fn = "_" + FunctionName(program) + "_at";
  const auto commands = AllCommands(app);
  std::string s = "# fish completion for " + program + ", generated from its command definitions\n";
  // `_program_at PATH`: whether the words typed so far lead to PATH.
  s += "function " + fn + "\n    set -l cmd ''\n    for w in (commandline -opc)[2..-1]\n"
       "        switch \"$cmd|$w\"\n";
  s += PathCases(commands, "cmd", "            ", true);
  s += "        end\n    end\n    test \"$cmd\" = \"$argv[1]\"\nend\n\n";
  s += "complete -c " + program + " -f\n";
  for (const auto& c : commands) {
    const std::string when = " -n " + FishQuoted(fn + " " + FishQuoted(c.path));
    for (const CLI::App* sub : Subcommands(*c.app)) {
      s += "complete -c " + program + when + " -a " + FishQuoted(sub->get_name()) + " -d " +
           FishQuoted(sub->get_description()) + "\n";
    }
    for (const CLI::Option* opt : c.app->get_options()) {
      if (!opt->nonpositional()) continue;
      std::string names;
      for (const auto& sn : opt->get_snames()) names += (sn.size() == 1 ? " -s " : " -o ") + FishQuoted(sn);
      for (const auto& ln : opt->get_lnames()) names += " -l " + FishQuoted(ln);
      const bool value = opt->get_expected_min() > 0;
      // -x: takes a value that is not a file; -r -F: takes a file name.
      const char* takes = !value ? "" : TakesFile(*opt) ? " -r -F" : " -x";
      s += "complete -c " + program + when + names + takes + " -d " + FishQuoted(opt->get_description()) + "\n";
    }
    if (TakesFiles(*c.app)) s += "complete -c " + program + when + " -F\n";
  }
  return s;
}

}  // namespace vt::docgen
