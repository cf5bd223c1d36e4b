#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "tests/support/posix_only.h"

namespace {

namespace fs = std::filesystem;

struct Run {
  int code = 0;
  std::string out;
  std::string err;
};

Run Cli(const std::vector<std::string>& args, std::function<bool()> stop = nullptr) {
  std::ostringstream out, err;
  Run r;
  r.code = vt::cli::RunCli(args, out, err, std::move(stop));
  r.out = out.str();
  r.err = err.str();
  return r;
}

size_t Lines(const std::string& s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

TEST(Cli, DevicesAndInfoDescribeTheVirtualBoard) {
  const auto devices = Cli({"--board", "virtual", "devices"});
  EXPECT_EQ(devices.code, 0) << devices.err;
  EXPECT_NE(devices.out.find("16c0:c35c"), std::string::npos);
  EXPECT_NE(devices.out.find("  board: standard board"), std::string::npos);

  const auto info = Cli({"--board", "virtual", "info"});
  EXPECT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("IsVariantR:           no"), std::string::npos);
  EXPECT_NE(info.out.find("Input report length:  65"), std::string::npos);
  EXPECT_NE(info.out.find("Version area 0x2800: "), std::string::npos);

  const auto r = Cli({"--board", "virtual:r", "info"});
  EXPECT_NE(r.out.find("IsVariantR:           yes"), std::string::npos);
  EXPECT_NE(r.out.find("Version area 0x80007000: "), std::string::npos);
  const auto legacy = Cli({"--board", "virtual:legacy", "info"});
  EXPECT_NE(legacy.out.find("IsLegacyBoard:        yes"), std::string::npos);
}

TEST(Cli, ReadDumpsExactlyTheRequestedBytes) {
  // 300 bytes: three read chunks on the board, 19 dump rows here.
  const auto read = Cli({"--board", "virtual", "read", "0x2800", "300"});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(Lines(read.out), 19u);
  EXPECT_EQ(read.out.rfind("00002920 ", 0) == std::string::npos, true);
  EXPECT_NE(read.out.find("\n00002920 "), std::string::npos);
  // The dump's first row agrees with the version area that info shows.
  const auto info = Cli({"--board", "virtual", "info"});
  const auto firstBytes = read.out.substr(10, 47);
  EXPECT_NE(info.out.find(firstBytes), std::string::npos) << firstBytes;
}

TEST(Cli, CommandPrintsReplyAndStatus) {
  const auto cmd = Cli({"--board", "virtual", "command", "0x60", "0", "0", "0", "0"});
  EXPECT_EQ(cmd.code, 0) << cmd.err;
  EXPECT_NE(cmd.out.find("reply: "), std::string::npos);
  EXPECT_NE(cmd.out.find("status: 0x00"), std::string::npos);
  const auto reset = Cli({"--board", "virtual", "reset"});
  EXPECT_EQ(reset.code, 0) << reset.err;
}

TEST(Cli, MessagesReadOnceOrFollowUntilStopped) {
  const auto once = Cli({"--board", "virtual", "messages"});
  EXPECT_EQ(once.code, 0) << once.err;
  int polls = 0;
  const auto follow = Cli({"--board", "virtual", "messages", "--follow", "--interval", "50"},
                          [&polls] { return ++polls == 5; });
  EXPECT_EQ(follow.code, 0) << follow.err;
  EXPECT_EQ(polls, 5);
  // --for bounds following in board time, which is virtual here.
  const auto bounded = Cli({"--board", "virtual", "messages", "-f", "--for", "1000"});
  EXPECT_EQ(bounded.code, 0);
}

// Each failure is one line, and its exit status says which kind it is, so
// scripts can tell a typo from a missing board from a dead server.
TEST(Cli, FailuresAreOneLineWithTheirOwnExitStatus) {
  using vt::cli::ExitCode;
  const std::vector<std::pair<std::vector<std::string>, ExitCode>> cases = {
      {{"--board", "bogus", "info"}, ExitCode::kUsage},
      {{"--board", "virtual:nosuchpreset", "info"}, ExitCode::kUsage},
      {{"--board", "virtual", "read", "0x2800", "0x200000"}, ExitCode::kUsage},
      {{"--board", "virtual", "read", "0xFFFFFFF0", "0x20"}, ExitCode::kUsage},
      {{"--board", "virtual", "read", "zz", "1"}, ExitCode::kUsage},
      {{"--board", "virtual", "command", "0x100", "0", "0", "0", "0"}, ExitCode::kUsage},
      {{"--board", "virtual", "read", "0x2800"}, ExitCode::kUsage},
      {{"--board", "virtual", "info", "--no-such-option"}, ExitCode::kUsage},
      {{"--board", "virtual"}, ExitCode::kUsage},
  };
  for (const auto& [args, expected] : cases) {
    const auto r = Cli(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.code, vt::cli::ToInt(expected)) << joined << ": " << r.err;
    EXPECT_EQ(Lines(r.err), 1u) << joined << ": " << r.err;
    EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << joined;
  }
}

// A mistyped command is named, at whatever depth, instead of being
// reported as a missing one.
TEST(Cli, UnknownCommandIsNamedWithItsGroup) {
  const auto top = Cli({"--board", "virtual", "frob"});
  EXPECT_EQ(top.err, "error: unknown command 'frob' for 'velotrack' (see --help)\n");
  const auto nested = Cli({"--board", "virtual", "profiles", "save", "-o", "x.toml"});
  EXPECT_EQ(nested.err, "error: unknown command 'save' for 'velotrack profiles' (see --help)\n");
  EXPECT_EQ(nested.code, vt::cli::ToInt(vt::cli::ExitCode::kUsage));
  const auto missing = Cli({"--board", "virtual", "firmware"});
  EXPECT_EQ(missing.err.find("unknown"), std::string::npos) << missing.err;
}

TEST(Cli, InfoAsJsonCarriesIdentityAndReportLengths) {
  const auto r = Cli({"--board", "virtual:r", "info", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_TRUE(j.is_object()) << r.out;
  EXPECT_EQ(j.value("variant", ""), "R-board") << r.out;
  EXPECT_EQ(j.value("serial", "").rfind('R', 0), 0u) << r.out;
  EXPECT_EQ(j.value("input_report_length", 0), 65) << r.out;
  EXPECT_EQ(j.value("output_report_length", 0), 65) << r.out;
  EXPECT_TRUE(j.value("is_variant_r", false)) << r.out;
}

TEST(Cli, HelpForEverySubcommand) {
  for (const char* sub : {"devices", "info", "read", "messages", "reset", "command"}) {
    const auto r = Cli({sub, "--help"});
    EXPECT_EQ(r.code, 0) << sub;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << sub;
  }
}

TEST(Cli, TraceFileHoldsEveryPrimitiveWithItsBytes) {
  const fs::path trace = fs::temp_directory_path() / ("vt_cli_trace_" + std::to_string(getpid()));
  const auto r = Cli({"--board", "virtual", "--trace", trace.string(), "read", "0", "4"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::stringstream text;
  {
    std::ifstream in(trace);
    text << in.rdbuf();
  }
  // The read command goes out as 0xD0 at byte 3 with the count in bytes 9-12.
  EXPECT_NE(text.str().find(" wait=500 len=65 [00 00 00 d0 00 00 00 00 00 04 00"),
            std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find(" index=240 size=512 -> 0 n=4 ["), std::string::npos);
  fs::remove(trace);
  const auto bad = Cli({"--board", "virtual", "--trace", "/nonexistent/dir/t.txt", "info"});
  EXPECT_NE(bad.code, 0);
  const auto folder = Cli({"--board", "virtual", "--trace", fs::temp_directory_path().string(), "info"});
  EXPECT_NE(folder.code, 0);
  EXPECT_TRUE(fs::is_directory(fs::temp_directory_path()));
}

TEST(Cli, TraceRecordsThatCannotBeWrittenFailTheRunAndAreSaidOnce) {
  VT_POSIX_ONLY("/dev/full, a file every write to fails");
  const auto full = Cli({"--board", "virtual", "--trace", "/dev/full", "read", "0", "4"});
  EXPECT_EQ(full.code, static_cast<int>(vt::cli::ExitCode::kWriteFailed)) << full.err;
  EXPECT_EQ(Lines(full.err), 1u) << full.err;
  EXPECT_NE(full.err.find("/dev/full"), std::string::npos) << full.err;
}

TEST(Cli, VirtualBoardFlashSurvivesInItsFile) {
  const fs::path file = fs::temp_directory_path() / ("vt_cli_flash_" + std::to_string(getpid()));
  fs::remove(file);
  const std::string board = "virtual:file=" + file.string();
  ASSERT_EQ(Cli({"--board", board, "info"}).code, 0);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(Cli({"--board", board, "read", "0xE0000", "16"}).code, 0);
  // A file that does not fit the board is refused, and left alone.
  { std::ofstream(file, std::ios::trunc) << "not a flash image"; }
  const auto r = Cli({"--board", board, "info"});
  EXPECT_NE(r.code, 0);
  std::string kept;
  {
    std::ifstream in(file);
    std::getline(in, kept);
  }
  EXPECT_EQ(kept, "not a flash image");
  fs::remove(file);
}

}  // namespace

namespace {

// Every --json output is one JSON value per line, with the fields scripts
// rely on, and the text and JSON forms agree.
TEST(Cli, JsonOutputsParseAndAgreeWithTheText) {
  const auto parse = [](const std::string& line) { return nlohmann::json::parse(line, nullptr, false); };
  const auto devices = parse(Cli({"--board", "virtual:r", "devices", "--json"}).out);
  ASSERT_TRUE(devices.is_array());
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].value("variant", ""), "R-board");
  EXPECT_TRUE(devices[0].value("is_board", false));

  const auto show = parse(Cli({"--board", "virtual", "profiles", "show", "--set", "3", "--json"}).out);
  ASSERT_TRUE(show.is_object());
  ASSERT_EQ(show["sets"].size(), 1u);
  EXPECT_EQ(show["sets"][0].value("set", 0), 3);
  EXPECT_FALSE(show["sets"][0]["fields"].empty());
  EXPECT_TRUE(show.contains("servo_units"));
  EXPECT_TRUE(show.contains("default_profile"));

  const fs::path dir = fs::temp_directory_path() / ("vt_cli_json_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string a = (dir / "a.toml").string();
  const std::string b = (dir / "b.toml").string();
  ASSERT_EQ(Cli({"--board", "virtual", "profiles", "read", "-o", a}).code, 0);
  ASSERT_EQ(Cli({"profiles", "convert", a, b}).code, 0);
  ASSERT_EQ(Cli({"profiles", "set", "--file", b, "set4.interval=2 min", "set4.pan_360=true"}).code, 0);
  const auto text = Cli({"profiles", "diff", a, b});
  const auto json = Cli({"profiles", "diff", a, b, "--json"});
  EXPECT_EQ(json.code, 1);
  const auto diff = parse(json.out);
  ASSERT_TRUE(diff.is_object()) << json.out;
  // The text names its sides first; JSON names them as "a" and "b".
  EXPECT_EQ(text.out.rfind("A: " + a + "\nB: " + b + "\nSet #4: ", 0), 0u) << text.out;
  EXPECT_EQ(diff["differences"].size(), Lines(text.out) - 2) << text.out;
  EXPECT_EQ(diff.value("b", ""), b);
  EXPECT_EQ(diff["differences"][0].value("set", 0), 4);
  EXPECT_EQ(diff["differences"][0].value("b", ""), "2 min");
  EXPECT_EQ(parse(Cli({"profiles", "diff", a, a, "--json"}).out)["differences"].size(), 0u);
  fs::remove_all(dir);

  const auto messages = Cli({"--board", "virtual", "messages", "--follow", "--for", "300", "--json"});
  EXPECT_EQ(messages.code, 0) << messages.err;
  std::istringstream lines(messages.out);
  size_t count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const auto m = parse(line);
    ASSERT_TRUE(m.is_object()) << line;
    EXPECT_NE(m.value("text", "").find("ready"), std::string::npos) << line;
  }
  EXPECT_GE(count, 1u);
}

}  // namespace
