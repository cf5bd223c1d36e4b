#include "cli/cli_docs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "cli/command_tree.h"

namespace vt::cli {
namespace {

// troff text: backslashes, dashes and a leading dot or quote made literal.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

constexpr std::pair<int, const char*> kExitStatus[] = {
    {0, "Success; profiles diff: no differences."},
    {1, "Failure without a code of its own (a question answered No); profiles diff: differences found."},
    {2, "Usage error: unknown command or option, a malformed argument, a value a setting does not take."},
    {3, "No board at the address, or none with the serial given with --serial."},
    {4, "The board is busy: another program holds it."},
    {5, "The board server named by --board is unreachable."},
    {6, "An input file was refused; nothing was written to the board."},
    {7, "A write failed or could not be verified; the message names the backup when one was taken."},
    {8, "Several boards at the address and no --serial for a command that changes a board."},
};

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

std::string HelpText(const CLI::App& app) {
  std::string s;
  for (const auto& c : AllCommands(app)) {
    const std::string line = app.get_name() + (c.path.empty() ? "" : " " + c.path) + " --help";
    s += line + "\n" + std::string(line.size(), '=') + "\n" + c.app->help() + "\n";
  }
  return s;
}

std::string ManPage(const CLI::App& app) {
  const std::string program = app.get_name();
  std::string upper;
  for (char c : program) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string s = ".TH " + upper + " 1 \"\" \"" + program + "\" \"User Commands\"\n";
  s += ".SH NAME\n" + Roff(program) + " \\- " + Roff(app.get_description()) + "\n";
  s += ".SH SYNOPSIS\n.B " + Roff(program) + "\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR ...\n";
  s += ".SH DESCRIPTION\n" + Roff(app.get_description()) +
       ". Every command talks to one board, found at the address --board names.\n"
       "Errors are one line on standard error starting with \"error: \".\n";
  const auto options = [](const CLI::App& a) {
    std::string out;
    for (const CLI::Option* opt : a.get_options()) {
      std::string name;
      if (opt->nonpositional()) {
        name = "\\fB" + Roff(Join(OptionNames(*opt), ", ")) + "\\fR";
        if (opt->get_type_size() > 0 && !opt->get_type_name().empty()) {
          name += " \\fI" + Roff(opt->get_type_name()) + "\\fR";
        }
      } else {
        name = "\\fI" + Roff(opt->get_name()) + "\\fR";
      }
      out += ".TP\n" + name + "\n" + Roff(opt->get_description()) + "\n";
    }
    return out;
  };
  s += ".SH OPTIONS\n" + options(app);
  s += ".SH COMMANDS\n";
  for (const auto& c : AllCommands(app)) {
    if (c.path.empty()) continue;
    s += ".SS \"" + Roff(program + " " + c.path) + "\"\n" + Roff(c.app->get_description()) + "\n";
    s += options(*c.app);
  }
  s += ".SH \"EXIT STATUS\"\n";
  for (const auto& [code, text] : kExitStatus) s += ".TP\n.B " + std::to_string(code) + "\n" + Roff(text) + "\n";
  s += ".SH \"SEE ALSO\"\n.BR velotrack\\-panel (1),\n.BR velotrack\\-board (1)\n";
  return s;
}

}  // namespace vt::cli
