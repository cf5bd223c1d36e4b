#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/cli_docs.h"
#include "docgen/man_page.h"
#include "docgen/shell_completion.h"

namespace {

namespace fs = std::filesystem;

// Runs `script` with `shell` (bash, zsh, fish, or "zsh -n" to only parse
// it) and gives its standard output and errors.
std::string RunShell(const std::string& shell, const std::string& script) {
  const fs::path file = fs::temp_directory_path() / ("vt_cli_docs_" + std::to_string(getpid()) + ".sh");
  { std::ofstream(file) << script; }
  std::string out;
  if (FILE* p = popen((shell + " " + file.string() + " 2>&1").c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    pclose(p);
  }
  fs::remove(file);
  return out;
}

std::string Bash(const std::string& script) { return RunShell("bash", script); }

bool Installed(const std::string& shell) {
  return std::system(("command -v " + shell + " >/dev/null 2>&1").c_str()) == 0;
}

struct Velotrack {
  std::ostringstream out, err;
  vt::cli::CliContext ctx{out, err};
  CLI::App app{vt::cli::kCliDescription, "velotrack"};
  Velotrack() { vt::cli::DefineCli(app, ctx); }
};

// The completion offers what the parser takes, level by level, and file
// names where a command wants a file.
TEST(CliDocs, BashCompletionFollowsTheCommandTree) {
  Velotrack v;
  const std::string completion = vt::docgen::BashCompletion(v.app);
  const auto complete = [&](const std::string& words, int cword) {
    return Bash(completion + "COMP_WORDS=(" + words + "); COMP_CWORD=" + std::to_string(cword) +
                "; _velotrack; echo \"${COMPREPLY[*]}\"\n");
  };
  EXPECT_EQ(complete("velotrack profiles s", 2), "show set\n");
  EXPECT_EQ(complete("velotrack --board virtual --serial X profiles get --", 7), "--help --file --set --json\n");
  EXPECT_EQ(complete("velotrack fi", 1), "firmware\n");
  const fs::path dir = fs::temp_directory_path() / ("vt_cli_docs_dir_" + std::to_string(getpid()));
  fs::create_directories(dir);
  { std::ofstream(dir / "sets.toml") << ""; }
  EXPECT_EQ(complete("velotrack profiles convert " + (dir / "se").string(), 3), (dir / "sets.toml").string() + "\n");
  EXPECT_EQ(complete("velotrack profiles show --file " + (dir / "se").string(), 4), (dir / "sets.toml").string() + "\n");
  fs::remove_all(dir);
}

TEST(CliDocs, ManPageListsEveryCommandAndKeepsTextLiteral) {
  Velotrack v;
  const std::string man = vt::docgen::ManPage(v.app, vt::cli::CliManPageText());
  const std::string help = vt::docgen::HelpText(v.app);
  EXPECT_EQ(help.rfind("velotrack --help\n================\n", 0), 0u);
  EXPECT_NE(help.find("\nvelotrack firmware inspect --help\n"), std::string::npos);
  EXPECT_NE(help.find("JSON output (fields in docs/cli.md)"), std::string::npos);
  for (const char* command : {"velotrack profiles set", "velotrack firmware inspect", "velotrack messages"}) {
    EXPECT_NE(man.find(".SS \"" + std::string(command) + "\"\n"), std::string::npos) << command;
  }
  EXPECT_NE(man.find("\\fB\\-\\-serial\\fR \\fITEXT\\fR"), std::string::npos);
  EXPECT_NE(man.find(".SH \"EXIT STATUS\"\n.TP\n.B 0\n"), std::string::npos);

  // Descriptions are text, never requests to the formatter.
  CLI::App app{"tool", "tool"};
  app.add_subcommand("x", ".so /etc/passwd\n'br \\ -");
  const std::string tricky = vt::docgen::ManPage(app, {});
  EXPECT_NE(tricky.find("\n\\&.so /etc/passwd\n\\&'br \\e \\-\n"), std::string::npos) << tricky;
}

// Every command path and every option of the tree, as a user types them.
std::vector<std::string> Words(const CLI::App& app) {
  std::vector<std::string> words;
  std::function<void(const CLI::App&)> walk = [&](const CLI::App& a) {
    for (const CLI::Option* opt : a.get_options()) {
      for (const auto& l : opt->get_lnames()) words.push_back("--" + l);
      for (const auto& n : opt->get_snames()) words.push_back("-" + n);
    }
    for (const CLI::App* sub : a.get_subcommands([](const CLI::App*) { return true; })) {
      words.push_back(sub->get_name());
      walk(*sub);
    }
  };
  walk(app);
  return words;
}

TEST(CliDocs, ZshAndFishCompletionsKnowEveryCommandAndOption) {
  Velotrack v;
  const std::string zsh = vt::docgen::ZshCompletion(v.app);
  const std::string fish = vt::docgen::FishCompletion(v.app);
  for (const auto& word : Words(v.app)) {
    // zsh: a _describe entry "word:description"; fish: -a 'word', -l 'name' or -s 'x'.
    EXPECT_NE(zsh.find("'" + word + ":"), std::string::npos) << word;
    const std::string fishWord = word.rfind("--", 0) == 0 ? "-l '" + word.substr(2) + "'"
                                 : word[0] == '-'         ? "-s '" + word.substr(1) + "'"
                                                          : "-a '" + word + "'";
    EXPECT_NE(fish.find(fishWord), std::string::npos) << word;
  }

  if (Installed("zsh")) {
    EXPECT_EQ(RunShell("zsh -n", zsh), "");
    // The completion system's two entry points stubbed: what would be offered.
    const auto offered = [&](const std::string& words, int current, const std::string& prefix) {
      return RunShell("zsh", "_describe() { print -r -- \"${(@P)4}\" }\n_files() { print FILES }\n" +
                                 std::string("words=(") + words + "); CURRENT=" + std::to_string(current) +
                                 "; PREFIX=" + prefix + "\n" + zsh);
    };
    EXPECT_NE(offered("velotrack profiles s", 3, "s").find("show:print what"), std::string::npos);
    EXPECT_EQ(offered("velotrack --board virtual profiles show --file x", 7, "x"), "FILES\n");
    EXPECT_NE(offered("velotrack firmware inspect --j", 4, "--j").find("--json:"), std::string::npos);
  }
  if (Installed("fish")) {
    EXPECT_EQ(RunShell("fish -n", fish), "");
    const auto complete = [&](const std::string& line) {
      return RunShell("fish", fish + "\ncomplete -C '" + line + "'\n");
    };
    EXPECT_EQ(complete("velotrack profiles s"),
              "set\tchange settings by key (set3.interval=\"10 sec\"), checked as the settings page checks "
              "them\nshow\tprint what each settings page shows\n");
    EXPECT_NE(complete("velotrack --board virtual firmware inspect --j").find("--json\t"), std::string::npos);
    EXPECT_EQ(complete("velotrack --board "), "");  // an address, not a file
  }
}


}  // namespace
