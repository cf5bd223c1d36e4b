#include "docgen/man_page.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "docgen/command_tree.h"

namespace vt::docgen {
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

}  // namespace

std::string HelpText(const CLI::App& app) {
  std::string s;
  for (const auto& c : AllCommands(app)) {
    const std::string line = app.get_name() + (c.path.empty() ? "" : " " + c.path) + " --help";
    s += line + "\n" + std::string(line.size(), '=') + "\n" + c.app->help() + "\n";
  }
  return s;
}

std::string ManPage(const CLI::App& app, const ManPageText& text) {
  const std::string program = app.get_name();
  std::string upper;
  for (char c : program) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string s = ".TH " + Roff(upper) + " 1 \"\" \"" + program + "\" \"User Commands\"\n";
  s += ".SH NAME\n" + Roff(program) + " \\- " + Roff(app.get_description()) + "\n";
  s += ".SH SYNOPSIS\n.B " + Roff(program) + "\n" + text.synopsis + "\n";
  s += ".SH DESCRIPTION\n" + Roff(app.get_description()) + ".\n";
  // Paragraphs are separated by an empty line.
  for (size_t at = 0; at < text.description.size();) {
    const size_t end = std::min(text.description.find("\n\n", at), text.description.size());
    s += ".PP\n" + Roff(text.description.substr(at, end - at)) + "\n";
    at = end + 2;
  }
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
  if (!text.exitStatus.empty()) s += ".SH \"EXIT STATUS\"\n";
  for (const auto& [code, meaning] : text.exitStatus) s += ".TP\n.B " + Roff(code) + "\n" + Roff(meaning) + "\n";
  if (!text.example.empty()) s += ".SH EXAMPLE\n.nf\n" + Roff(text.example) + "\n.fi\n";
  for (size_t i = 0; i < text.seeAlso.size(); ++i) {
    if (i == 0) s += ".SH \"SEE ALSO\"\n";
    s += ".BR " + Roff(text.seeAlso[i]) + " (1)" + (i + 1 < text.seeAlso.size() ? ",\n" : "\n");
  }
  return s;
}

}  // namespace vt::docgen
