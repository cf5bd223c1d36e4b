#pragma once

// The man page and the help as plain text of a CLI11 program, generated from
// its command definitions so they never lag behind the options.

#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace vt::docgen {

// What a page says beyond the command tree.
struct ManPageText {
  std::string synopsis = "[\\fIOPTIONS\\fR] \\fICOMMAND\\fR ...";  // troff, after the program name
  std::string description;                                          // plain text, after the app's own
  std::vector<std::pair<std::string, std::string>> exitStatus;      // code, meaning
  std::string example;                                              // plain text, kept as written
  std::vector<std::string> seeAlso;                                 // program names, section 1
};

// Every command's --help, one after the other under a heading with its
// command line: the help as plain text for where no man page is read.
std::string HelpText(const CLI::App& app);

// The man page (troff, section 1): synopsis, description, global options,
// every command with its options, exit status, example and related pages.
std::string ManPage(const CLI::App& app, const ManPageText& text);

}  // namespace vt::docgen
