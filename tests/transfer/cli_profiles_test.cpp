// `velotrack profiles ...` against a virtual board whose flash is kept in a
// file between runs, as a user would chain the commands.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "tests/support/temp_path.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

class CliProfilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt-cli-profiles");
    fs::create_directories(dir_);
    board_ = "virtual:file=" + (dir_ / "flash.bin").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  CliRun Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--board", board_});
    std::ostringstream out, err;
    CliRun r;
    r.code = vt::cli::RunCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }

  fs::path dir_;
  std::string board_;
};

TEST_F(CliProfilesTest, ReadShowAndDiffAgreeWithTheBoard) {
  const CliRun read = Cli({"profiles", "read", "-o", Path("all.dat")});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(fs::file_size(Path("all.dat")), 608u);

  const CliRun show = Cli({"profiles", "show", "--set", "2"});
  ASSERT_EQ(show.code, 0) << show.err;
  EXPECT_NE(show.out.find("Set #2\n  Camera Model: "), std::string::npos);
  EXPECT_EQ(show.out.find("Set #1\n"), std::string::npos);
  EXPECT_NE(show.out.find("  Tilt Apply time: "), std::string::npos);

  const CliRun json = Cli({"profiles", "show", "--file", Path("all.dat"), "--json"});
  ASSERT_EQ(json.code, 0) << json.err;
  const auto j = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(j.is_object()) << json.out;
  EXPECT_EQ(j.value("default_profile", "").rfind('#', 0), 0u) << json.out;
  ASSERT_EQ(j["sets"].size(), 7u);
  EXPECT_EQ(j["sets"][6].value("set", 0), 7);
  EXPECT_EQ(j["sets"][6]["fields"][0].value("name", ""), "Camera Model");

  const CliRun same = Cli({"profiles", "diff", Path("all.dat"), "board"});
  EXPECT_EQ(same.code, 0) << same.out << same.err;
  EXPECT_EQ(same.out, "no differences\n");
}

TEST_F(CliProfilesTest, QuestionsNeedYesWithoutATerminal) {
  if (isatty(STDIN_FILENO) != 0) GTEST_SKIP() << "run with stdin from a terminal: the CLI would ask";
  ASSERT_EQ(Cli({"profiles", "read", "-o", Path("all.dat")}).code, 0);
  // The test's stdin is no terminal: the write is refused with a reason.
  const CliRun refused = Cli({"profiles", "clear"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--yes"), std::string::npos);
  const CliRun still = Cli({"profiles", "diff", Path("all.dat"), "board"});
  EXPECT_EQ(still.out, "no differences\n");
}

TEST_F(CliProfilesTest, ClearWriteAndRestoreRoundTrip) {
  const std::string backups = Path("backups");
  ASSERT_EQ(Cli({"profiles", "read", "-o", Path("all.dat")}).code, 0);
  ASSERT_EQ(Cli({"profiles", "read", "--set", "3", "-o", Path("three.dat")}).code, 0);
  EXPECT_EQ(fs::file_size(Path("three.dat")), 128u);

  const CliRun clear = Cli({"profiles", "clear", "--yes", "--backup-dir", backups});
  ASSERT_EQ(clear.code, 0) << clear.err;
  // An erased block has no profiles to show: "No data", not placeholders.
  const CliRun empty = Cli({"profiles", "show", "--set", "1"});
  EXPECT_EQ(empty.code, 6);
  EXPECT_NE(empty.err.find("No data"), std::string::npos) << empty.err;
  EXPECT_EQ(empty.out.find("Camera Model"), std::string::npos);

  // Nothing can be written into a cleared block: refused with the way back.
  const CliRun blocked = Cli({"profiles", "write", Path("all.dat"), "--yes", "--backup-dir", backups});
  EXPECT_EQ(blocked.code, 6);  // refused, nothing sent
  EXPECT_NE(blocked.err.find("is erased"), std::string::npos) << blocked.err;
  EXPECT_NE(blocked.err.find("velotrack profiles restore "), std::string::npos) << blocked.err;

  // The backup of the cleared block brings everything back.
  std::string first;
  for (const auto& entry : fs::recursive_directory_iterator(backups)) {
    if (entry.is_regular_file() && (first.empty() || entry.path().string() < first)) first = entry.path().string();
  }
  ASSERT_FALSE(first.empty());
  const CliRun restore = Cli({"profiles", "restore", first, "--yes", "--backup-dir", backups});
  ASSERT_EQ(restore.code, 0) << restore.err;
  EXPECT_EQ(Cli({"profiles", "diff", Path("all.dat"), "board"}).out, "no differences\n");

  // A one-set file goes to the set named, the others stay.
  const CliRun write = Cli({"profiles", "write", Path("three.dat"), "--set", "5", "--yes", "--backup-dir", backups});
  ASSERT_EQ(write.code, 0) << write.err;
  const CliRun diff = Cli({"profiles", "diff", Path("all.dat"), "board"});
  EXPECT_EQ(diff.code, diff.out == "no differences\n" ? 0 : 1);
  for (const char* other : {"Set #1:", "Set #2:", "Set #3:", "Set #4:", "Set #6:", "Set #7:"}) {
    EXPECT_EQ(diff.out.find(other), std::string::npos) << diff.out;
  }
  EXPECT_EQ(Cli({"profiles", "diff", Path("three.dat"), "board", "--set", "5"}).out, "no differences\n");
  const CliRun three = Cli({"profiles", "show", "--set", "3"});
  const CliRun five = Cli({"profiles", "show", "--set", "5"});
  EXPECT_EQ(three.out.substr(three.out.find("Camera Model")), five.out.substr(five.out.find("Camera Model")));
}

// A backup goes back only onto the board it was saved from: another board
// of the same kind needs --force, another kind or a broken block never.
TEST_F(CliProfilesTest, RestoreChecksTheBackupAgainstTheBoardFirst) {
  const std::string backups = Path("backups");
  ASSERT_EQ(Cli({"profiles", "clear", "--yes", "--backup-dir", backups}).code, 0);
  fs::path saved;
  for (const auto& entry : fs::recursive_directory_iterator(backups)) {
    if (entry.is_regular_file()) saved = entry.path();
  }
  ASSERT_FALSE(saved.empty());
  const std::string own = saved.parent_path().filename().string();
  // Copies in the old form (the bare block), whose board is their folder's.
  const auto copyTo = [&](const std::string& folder) {
    fs::create_directories(dir_ / folder);
    const fs::path to = dir_ / folder / "x.bin";
    fs::copy_file(saved, to, fs::copy_options::overwrite_existing);
    fs::resize_file(to, 2048);
    return to.string();
  };
  const auto stillCleared = [&] { return Cli({"profiles", "show", "--set", "1"}).err.find("No data") != std::string::npos; };

  const std::string other = copyTo("W9999999999");
  CliRun r = Cli({"profiles", "restore", other, "--yes", "--backup-dir", backups});
  EXPECT_EQ(r.code, 6) << r.err;
  EXPECT_NE(r.err.find("not from this board (" + own + "); --force"), std::string::npos) << r.err;
  EXPECT_TRUE(stillCleared());  // untouched

  const std::string fromR = copyTo("R1000047110");
  r = Cli({"profiles", "restore", fromR, "--yes", "--force", "--backup-dir", backups});
  EXPECT_EQ(r.code, 6);
  EXPECT_NE(r.err.find("an R-board"), std::string::npos) << r.err;

  // Half of the block erased: not a whole block.
  const std::string broken = copyTo(own + "/../" + own);
  {
    std::fstream f(broken, std::ios::in | std::ios::out | std::ios::binary);
    f.write(std::string(512, '\xFF').data(), 512);
  }
  r = Cli({"profiles", "restore", broken, "--yes", "--backup-dir", backups});
  EXPECT_EQ(r.code, 6);
  EXPECT_NE(r.err.find("not a whole settings block"), std::string::npos) << r.err;

  r = Cli({"profiles", "restore", other, "--yes", "--force", "--backup-dir", backups});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("replaces the whole settings block of board " + own), std::string::npos);
  EXPECT_FALSE(stillCleared());
}

TEST_F(CliProfilesTest, ReportPrintsOrWritesTheText) {
  const CliRun report = Cli({"profiles", "report"});
  ASSERT_EQ(report.code, 0) << report.err;
  EXPECT_NE(report.out.find("Set #1: LEDs: R - - G"), std::string::npos);
  const CliRun file = Cli({"profiles", "report", "-o", Path("p.txt")});
  ASSERT_EQ(file.code, 0);
  EXPECT_TRUE(fs::exists(Path("p.txt")));
}

}  // namespace
