#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/cli_docs.h"

namespace {

namespace fs = std::filesystem;

// Runs `script` with bash and gives its standard output.
std::string Bash(const std::string& script) {
  const fs::path file = fs::temp_directory_path() / ("vt_cli_docs_" + std::to_string(getpid()) + ".sh");
  { std::ofstream(file) << script; }
  std::string out;
  if (FILE* p = popen(("bash " + file.string() + " 2>&1").c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    pclose(p);
  }
  fs::remove(file);
  return out;
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
  const std::string completion = vt::cli::BashCompletion(v.app);
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
  const std::string man = vt::cli::ManPage(v.app);
  for (const char* command : {"velotrack profiles set", "velotrack firmware inspect", "velotrack messages"}) {
    EXPECT_NE(man.find(".SS \"" + std::string(command) + "\"\n"), std::string::npos) << command;
  }
  EXPECT_NE(man.find("\\fB\\-\\-serial\\fR \\fITEXT\\fR"), std::string::npos);
  EXPECT_NE(man.find(".SH \"EXIT STATUS\"\n.TP\n.B 0\n"), std::string::npos);

  // Descriptions are text, never requests to the formatter.
  CLI::App app{"tool", "tool"};
  app.add_subcommand("x", ".so /etc/passwd\n'br \\ -");
  const std::string tricky = vt::cli::ManPage(app);
  EXPECT_NE(tricky.find("\n\\&.so /etc/passwd\n\\&'br \\e \\-\n"), std::string::npos) << tricky;
}

}  // namespace
