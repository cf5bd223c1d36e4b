// What `velotrack` says about itself: version, help, the bare program and
// the command a mistyped word was meant to be.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/cli_usage.h"
#include "cli/exit_codes.h"

namespace {

struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.code = vt::cli::RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

constexpr int kUsage = vt::cli::ToInt(vt::cli::ExitCode::kUsage);

TEST(CliUsage, VersionHelpAndTheBareProgram) {
  const CliRun version = Cli({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("velotrack 2.", 0), 0u) << version.out;

  // Bare: the commands, on stderr, as a usage error.
  const CliRun bare = Cli({});
  EXPECT_EQ(bare.code, kUsage);
  EXPECT_TRUE(bare.out.empty());
  for (const char* command : {"profiles", "firmware", "backups", "help"}) {
    EXPECT_NE(bare.err.find("\n  " + std::string(command) + " "), std::string::npos) << command << bare.err;
  }

  const CliRun help = Cli({"help", "profiles", "set"});
  EXPECT_EQ(help.code, 0) << help.err;
  EXPECT_EQ(help.out.rfind("change settings by key", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("Usage: velotrack profiles set"), std::string::npos) << help.out;
  // Unexpected arguments in the order given; an option for every command
  // given after the command is told where it belongs.
  const CliRun late = Cli({"info", "--board", "virtual"});
  EXPECT_EQ(late.code, kUsage);
  EXPECT_EQ(late.err,
            "error: unexpected arguments: --board virtual; --board, --serial, --trace and --busy-wait go before the "
            "command (see --help)\n");
  EXPECT_EQ(Cli({"profiles", "diff", "a", "b", "c", "d"}).err, "error: unexpected arguments: c d (see --help)\n");

  const CliRun unknown = Cli({"help", "profile"});
  EXPECT_EQ(unknown.code, kUsage);
  EXPECT_NE(unknown.err.find("did you mean 'profiles'?"), std::string::npos) << unknown.err;
}

// A mistyped command is named with the one it was probably meant to be, at
// any depth; a word near none of them gets no guess, and a prefix shared
// by several commands picks none of them.
TEST(CliUsage, DidYouMeanTheNearestCommand) {
  const CliRun top = Cli({"profile", "show"});
  EXPECT_EQ(top.code, kUsage);
  EXPECT_EQ(top.err, "error: unknown command 'profile' for 'velotrack'; did you mean 'profiles'? (see --help)\n");
  const CliRun nested = Cli({"--board", "virtual", "profiles", "shwo"});
  EXPECT_NE(nested.err.find("unknown command 'shwo' for 'velotrack profiles'; did you mean 'show'?"),
            std::string::npos)
      << nested.err;
  using vt::cli::NearestCommand;
  const std::vector<std::string> commands = {"read", "reset", "restore", "report", "info", "devices"};
  EXPECT_EQ(NearestCommand("devcies", commands), "devices");
  EXPECT_EQ(NearestCommand("dev", commands), "devices");
  EXPECT_EQ(NearestCommand("re", commands), "");
  EXPECT_EQ(NearestCommand("frob", commands), "");
  EXPECT_EQ(NearestCommand("x", commands), "");
}

}  // namespace
