// Profiles as text through `velotrack profiles ...`: converting files read
// from every board preset, and edited text on its way to the board.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "tests/support/temp_path.h"

namespace {

namespace fs = std::filesystem;
using vt::cli::ExitCode;
using vt::cli::ToInt;

struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CliProfileTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt-cli-text");
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  CliRun Cli(const std::string& preset, std::vector<std::string> args) {
    args.insert(args.begin(), {"--board", "virtual:" + preset + ",file=" + (dir_ / (preset + ".bin")).string()});
    std::ostringstream out, err;
    CliRun r;
    r.code = vt::cli::RunCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(CliProfileTextTest, FilesFromEveryPresetConvertToTextAndBackIdentically) {
  for (const std::string preset : {"standard", "standard-V", "ab", "b", "r", "legacy", "send-twice"}) {
    const CliRun read = Cli(preset, {"profiles", "read", "-o", Path(preset + ".dat")});
    ASSERT_EQ(read.code, 0) << preset << ": " << read.err;
    ASSERT_EQ(Cli(preset, {"profiles", "convert", Path(preset + ".dat"), Path(preset + ".toml")}).code, 0);
    const CliRun back = Cli(preset, {"profiles", "convert", Path(preset + ".toml"), Path(preset + "-again.dat")});
    ASSERT_EQ(back.code, 0) << back.err;
    EXPECT_EQ(Slurp(Path(preset + ".dat")), Slurp(Path(preset + "-again.dat"))) << preset;
    // Reading straight to text gives the same text.
    ASSERT_EQ(Cli(preset, {"profiles", "read", "-o", Path(preset + "-direct.toml")}).code, 0);
    EXPECT_EQ(Slurp(Path(preset + ".toml")), Slurp(Path(preset + "-direct.toml"))) << preset;
    const CliRun diff = Cli(preset, {"profiles", "diff", Path(preset + ".toml"), "board"});
    EXPECT_EQ(diff.code, 0) << diff.out << diff.err;
  }
}

TEST_F(CliProfileTextTest, ABadEditIsRefusedAndAGoodOneReachesTheBoard) {
  ASSERT_EQ(Cli("standard", {"profiles", "read", "-o", Path("all.toml")}).code, 0);
  const std::string text = Slurp(Path("all.toml"));
  const size_t set2 = text.find("[set2]");
  const size_t at = text.find("pan_apply_time = ", set2);
  ASSERT_NE(at, std::string::npos) << text;
  const size_t end = text.find('\n', at);
  const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));

  std::string bad = text;
  bad.replace(at, end - at, "pan_apply_time = \"forever\"");
  { std::ofstream(Path("bad.toml"), std::ios::trunc) << bad; }
  const CliRun refused = Cli("standard", {"profiles", "write", Path("bad.toml"), "--yes"});
  EXPECT_EQ(refused.code, ToInt(ExitCode::kRefusedInput));
  EXPECT_NE(refused.err.find(Path("bad.toml") + ":" + std::to_string(line) + ": set2.pan_apply_time: \"forever\""),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("\"Always\""), std::string::npos) << refused.err;
  EXPECT_EQ(Cli("standard", {"profiles", "diff", Path("all.toml"), "board"}).code, 0);  // nothing written

  std::string good = text;
  good.replace(at, end - at, "pan_apply_time = \"0.5s\"");
  { std::ofstream(Path("good.toml"), std::ios::trunc) << good; }
  const CliRun written = Cli("standard", {"profiles", "write", Path("good.toml"), "--yes", "--backup-dir", Path("b")});
  ASSERT_EQ(written.code, 0) << written.err;
  const CliRun show = Cli("standard", {"profiles", "show", "--set", "2"});
  EXPECT_NE(show.out.find("Pan Apply time: 0.5s"), std::string::npos) << show.out;
  EXPECT_EQ(Cli("standard", {"profiles", "diff", Path("good.toml"), "board"}).code, 0);
}

TEST_F(CliProfileTextTest, ConvertRefusesWhatIsNoProfileFile) {
  { std::ofstream(Path("junk.dat")) << "not a profile file"; }
  EXPECT_EQ(Cli("standard", {"profiles", "convert", Path("junk.dat"), Path("junk.toml")}).code,
            ToInt(ExitCode::kRefusedInput));
  EXPECT_FALSE(fs::exists(Path("junk.toml")));
  EXPECT_EQ(Cli("standard", {"profiles", "convert", Path("missing.toml"), Path("x.dat")}).code,
            ToInt(ExitCode::kRefusedInput));
}

// `profiles set` on a file replaces it only with a sound result; on the board
// it goes through the verified write, and a refused value changes nothing.
TEST_F(CliProfileTextTest, SetChangesFilesAndTheBoardOnlyWithValuesThePageTakes) {
  ASSERT_EQ(Cli("standard", {"profiles", "read", "-o", Path("all.dat")}).code, 0);
  const std::string before = Slurp(Path("all.dat"));
  const CliRun bad = Cli("standard", {"profiles", "set", "--file", Path("all.dat"), "set2.interval=10 sec",
                                      "set3.interval=forever"});
  EXPECT_EQ(bad.code, ToInt(ExitCode::kUsage));
  EXPECT_NE(bad.err.find("set3.interval: \"forever\" is not one of the values allowed: \"Minimum\""),
            std::string::npos) << bad.err;
  EXPECT_EQ(Slurp(Path("all.dat")), before);

  const CliRun set = Cli("standard", {"profiles", "set", "--file", Path("all.dat"), "--set", "2", "interval=10 sec"});
  ASSERT_EQ(set.code, 0) << set.err;
  const CliRun got = Cli("standard", {"profiles", "get", "--file", Path("all.dat"), "set.2.interval", "--json"});
  EXPECT_EQ(got.out, "{\"set2.interval\":\"10 sec\"}\n") << got.err;
  EXPECT_EQ(Cli("standard", {"profiles", "diff", Path("all.dat"), "board"}).code, 1);

  const CliRun refused = Cli("standard", {"profiles", "set", "set4.pan_360=maybe", "--yes"});
  EXPECT_EQ(refused.code, ToInt(ExitCode::kUsage));
  EXPECT_EQ(Cli("standard", {"profiles", "diff", Path("all.dat"), "board"}).code, 1);
  const CliRun written =
      Cli("standard", {"profiles", "set", "set2.interval=10 sec", "--yes", "--backup-dir", Path("b")});
  ASSERT_EQ(written.code, 0) << written.err;
  EXPECT_EQ(Cli("standard", {"profiles", "diff", Path("all.dat"), "board"}).code, 0);
  EXPECT_EQ(Cli("standard", {"profiles", "get", "--set", "2", "interval"}).out, "set2.interval = \"10 sec\"\n");
  EXPECT_EQ(Cli("standard", {"profiles", "get", "set2.nope"}).code, ToInt(ExitCode::kUsage));
}

}  // namespace

namespace {

// `profiles show` on a board shows the pages as the panel does once it has
// started (servo units switched to degrees); the stored units are untouched
// and a file shows as it was saved.
TEST(CliPanelStartUp, ShowOnABoardUsesThePanelsStartUpUnits) {
  const std::string board = "virtual:standard";
  std::ostringstream getOut, getErr, showOut, showErr;
  ASSERT_EQ(vt::cli::RunCli({"--board", board, "profiles", "get", "set1.servo_units"}, getOut, getErr), 0);
  ASSERT_EQ(getOut.str(), "set1.servo_units = \"Milliseconds\"\n") << getErr.str();
  ASSERT_EQ(vt::cli::RunCli({"--board", board, "profiles", "show", "--set", "1"}, showOut, showErr), 0);
  EXPECT_NE(showOut.str().find("Servo Units: Degrees, Gear ratio 1:1\n"), std::string::npos) << showOut.str();
  EXPECT_NE(showOut.str().find("  Tilt #2: 9°"), std::string::npos) << showOut.str();
  EXPECT_EQ(showOut.str().find("ms\n"), std::string::npos) << showOut.str();
}

}  // namespace
