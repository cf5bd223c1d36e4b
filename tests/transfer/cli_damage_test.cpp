// `velotrack` against a board whose settings block is damaged or erased, and
// `profiles restore` with backups of every form: refusals exit 6 with one
// line naming the damage and the restore command, and leave the board's
// flash as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/cli_app.h"
#include "platform/file_io.h"
#include "profiles/info_block_backup.h"
#include "sim/board/virtual_board.h"
#include "tests/support/posix_only.h"
#include "tests/support/temp_path.h"

namespace {

namespace fs = std::filesystem;
using vt::sim::BoardConfig;

struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

constexpr uint32_t kBlock = 0xE0000;
constexpr std::time_t kWhen = 4'000'000'000;  // later than the commands' own backups

// The variable that names the user's folder, and the backups' place in it.
#ifdef _WIN32
constexpr const char* kUserFolder = "LOCALAPPDATA";
const fs::path kBackupsBelow = fs::path("Velotrack") / "backups";
#else
constexpr const char* kUserFolder = "XDG_DATA_HOME";
const fs::path kBackupsBelow = fs::path("velotrack") / "backups";
#endif

class CliDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt-cli-damage");
    fs::create_directories(dir_);
    flash_ = (dir_ / "flash.bin").string();
    // Read commands keep their backups in the user's folder.
    const char* old = std::getenv(kUserFolder);
    if (old != nullptr) oldXdg_ = old;
    setenv(kUserFolder, dir_.string().c_str(), 1);
    root_ = dir_ / kBackupsBelow;
  }
  void TearDown() override {
    if (oldXdg_.empty()) {
      unsetenv(kUserFolder);
    } else {
      setenv(kUserFolder, oldXdg_.c_str(), 1);
    }
    fs::remove_all(dir_);
  }

  // A standard board ('W', or another letter) holding `block`.
  void MakeBoard(const std::vector<uint8_t>& block, char letter = 'W') {
    vt::sim::VirtualBoard board(BoardConfig::Standard(letter));
    if (!block.empty()) {
      ASSERT_TRUE(board.Poke(kBlock, block));
    }
    ASSERT_TRUE(board.SaveFlash(flash_));
    board_ = std::string("virtual:") + (letter == 'W' ? "standard" : std::string("standard-") + letter) +
             ",file=" + flash_;
  }
  std::vector<uint8_t> ShippedBlock() {
    vt::sim::VirtualBoard board(BoardConfig::Standard());
    return board.Peek(kBlock, 2048);
  }
  std::vector<uint8_t> FlashFile() { return vt::platform::ReadRegularFile(flash_, 1 << 24).bytes; }
  std::vector<uint8_t> BoardBlock() {
    vt::sim::VirtualBoard board(BoardConfig::Standard());
    EXPECT_TRUE(board.LoadFlash(flash_));
    return board.Peek(kBlock, 2048);
  }
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
  std::string Root() { return root_.string(); }

  fs::path dir_;
  fs::path root_;
  std::string flash_;
  std::string board_;
  std::string oldXdg_;
};

void Erase(std::vector<uint8_t>& b, size_t from, size_t to) {
  std::fill(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to), 0xFF);
}

TEST_F(CliDamageTest, EveryCommandRefusesADamagedBlockAndNamesTheWayBack) {
  const std::vector<uint8_t> sound = ShippedBlock();
  MakeBoard({});
  ASSERT_EQ(Cli({"profiles", "read", "-o", Path("all.dat")}).code, 0);
  const std::string serial = "W10000471102.05";
  const auto kept = vt::profiles::SaveInfoBlockBackup(root_, serial, sound, kWhen);
  ASSERT_TRUE(kept.ok);
  std::vector<uint8_t> cut = sound;
  Erase(cut, 0x280, 0x800);  // newer, but damaged: never offered
  ASSERT_TRUE(vt::profiles::SaveInfoBlockBackup(root_, serial, cut, kWhen + 1).ok);
  const std::string wayBack = "velotrack profiles restore " + kept.path.string() + " --yes";

  struct Case {
    const char* name;
    const char* said;
    size_t from, to;
  };
  const Case cases[] = {{"cut program", "is erased from offset 0x280", 0x280, 0x800},
                        {"hole", "erased hole", 0x80, 0xC0},
                        {"erased sector", "reaches into erased flash", 0x200, 0x800},
                        {"first sector", "partly erased", 0, 0x200}};
  const std::vector<std::vector<std::string>> commands = {
      {"profiles", "read", "-o", Path("out.dat")},
      {"profiles", "show"},
      {"profiles", "write", Path("all.dat"), "--yes", "--backup-dir", Root()},
      {"profiles", "set", "set3.interval=10 sec", "--yes", "--backup-dir", Root()},
      {"firmware", "update", "--built-in", "--yes", "--backup-dir", Root()}};
  for (const Case& c : cases) {
    std::vector<uint8_t> damaged = sound;
    Erase(damaged, c.from, c.to);
    MakeBoard(damaged);
    const std::vector<uint8_t> flash = FlashFile();
    for (const auto& command : commands) {
      SCOPED_TRACE(std::string(c.name) + ": " + command[0] + " " + command[1]);
      const CliRun r = Cli(command);
      EXPECT_EQ(r.code, 6) << r.out << r.err;
      EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(wayBack), std::string::npos) << r.err;
      EXPECT_EQ(r.out.find("OK\n"), std::string::npos) << r.out;
      EXPECT_EQ(FlashFile(), flash);
    }
    EXPECT_FALSE(fs::exists(Path("out.dat")));
  }
  // The way back named works.
  const CliRun restore = Cli({"profiles", "restore", kept.path.string(), "--yes", "--backup-dir", Root()});
  ASSERT_EQ(restore.code, 0) << restore.err;
  EXPECT_EQ(BoardBlock(), sound);
}

// Total Clear, then a firmware update: the block stays erased. Reading says
// "No data" and a write is refused with the way back, not a bare error.
TEST_F(CliDamageTest, ErasedBoardSaysNoDataAndNamesTheBackup) {
  MakeBoard({});
  ASSERT_EQ(Cli({"profiles", "read", "-o", Path("all.dat")}).code, 0);
  const CliRun clear = Cli({"profiles", "clear", "--yes", "--backup-dir", Root()});
  ASSERT_EQ(clear.code, 0) << clear.err;
  const CliRun update = Cli({"firmware", "update", "--built-in", "--yes", "--backup-dir", Root()});
  ASSERT_EQ(update.code, 0) << update.err;
  EXPECT_NE(update.out.find("(erased: never offered for a restore)"), std::string::npos) << update.out;
  const fs::path sound = vt::profiles::NewestSoundBackup(root_, "W10000471102.05");
  ASSERT_FALSE(sound.empty());
  const std::string wayBack = "velotrack profiles restore " + sound.string() + " --yes";
  const std::vector<uint8_t> flash = FlashFile();

  const CliRun read = Cli({"profiles", "read", "-o", Path("out.dat")});
  EXPECT_EQ(read.code, 6);
  EXPECT_NE(read.err.find("No data"), std::string::npos) << read.err;
  EXPECT_NE(read.err.find(wayBack), std::string::npos) << read.err;
  EXPECT_FALSE(fs::exists(Path("out.dat")));
  const CliRun write = Cli({"profiles", "write", Path("all.dat"), "--yes", "--backup-dir", Root()});
  EXPECT_EQ(write.code, 6);
  EXPECT_NE(write.err.find("erased"), std::string::npos) << write.err;
  EXPECT_NE(write.err.find(wayBack), std::string::npos) << write.err;
  EXPECT_EQ(FlashFile(), flash);

  ASSERT_EQ(Cli({"profiles", "restore", sound.string(), "--yes", "--backup-dir", Root()}).code, 0);
  EXPECT_EQ(Cli({"profiles", "diff", Path("all.dat"), "board"}).out, "no differences\n");
}

// Backups carry their board inside: copied into another board's folder they
// still belong to theirs; one from before the trailer existed is judged by
// its folder; a block with a hole is refused; a board that now presents
// other letters and version digits (after a bootloader update) keeps its
// backups.
TEST_F(CliDamageTest, RestoreJudgesTheBackupByWhatItHolds) {
  const std::vector<uint8_t> sound = ShippedBlock();
  MakeBoard({});
  const auto fromR = vt::profiles::SaveInfoBlockBackup(root_, "R10000471102.05", sound, kWhen);
  ASSERT_TRUE(fromR.ok);
  fs::create_directories(root_ / "W10000471102.05");
  const fs::path copied = root_ / "W10000471102.05" / "20990101-000000.bin";
  fs::copy_file(fromR.path, copied);
  CliRun r = Cli({"profiles", "restore", copied.string(), "--yes", "--force", "--backup-dir", Root()});
  EXPECT_EQ(r.code, 6);
  EXPECT_NE(r.err.find("an R-board"), std::string::npos) << r.err;

  std::vector<uint8_t> holed = sound;
  Erase(holed, 0x80, 0xC0);
  const auto withHole = vt::profiles::SaveInfoBlockBackup(root_, "W10000471102.05", holed, kWhen);
  r = Cli({"profiles", "restore", withHole.path.string(), "--yes", "--backup-dir", Root()});
  EXPECT_EQ(r.code, 6);
  EXPECT_NE(r.err.find("erased hole"), std::string::npos) << r.err;

  // The old form: the bare 2048 bytes, its board named by its folder.
  std::vector<uint8_t> changed = sound;
  changed[0x12 + 36] = 123;
  const fs::path old = root_ / "W10000471102.05" / "20200101-000000.bin";
  ASSERT_EQ(vt::platform::WriteFileAtomically(old, changed).ok(), true);
  r = Cli({"profiles", "restore", old.string(), "--yes", "--backup-dir", Root()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(BoardBlock(), changed);

  // The same board presenting 'V' letters and another version: its own
  // backup goes back without --force.
  const auto before = vt::profiles::SaveInfoBlockBackup(root_, vt::profiles::BackupOrigin{"W10000471102.05", "2.5.10"},
                                                        sound, kWhen + 5);
  MakeBoard(changed, 'V');
  r = Cli({"profiles", "restore", before.path.string(), "--yes", "--backup-dir", Root()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("presented the serial W10000471102.05"), std::string::npos) << r.out;
  EXPECT_EQ(BoardBlock(), sound);
  EXPECT_EQ(vt::profiles::NewestSoundBackup(root_, "V10000471102.05"), before.path);
}

}  // namespace
