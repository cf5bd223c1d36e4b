// `backups list` and `backups prune` over a backup folder made here.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "profiles/info_block_backup.h"

namespace {

namespace fs = std::filesystem;
using vt::profiles::InfoBlockBytes;

constexpr std::time_t kWhen = 1796742296;  // 2026-12-08 15:04:56 UTC

// A block as the boards keep it: header, checksum, profiles, checksum.
InfoBlockBytes SoundBlock(uint8_t seed) {
  InfoBlockBytes b{};
  b.fill(0xFF);
  const uint8_t head[] = {1, 0, 8, 0, 1, 0, 0, 0, 2, 0, 6, 0, seed, 0x12, 11, 0, 0x84, 2};
  std::copy(std::begin(head), std::end(head), b.begin());
  for (size_t i = 0; i < 640; ++i) b[18 + i] = static_cast<uint8_t>((i + seed) % 200);
  return b;
}

InfoBlockBytes ErasedBlock() {
  InfoBlockBytes b{};
  b.fill(0xFF);
  return b;
}

// A write cut short: the first 512 bytes erased, the rest still there.
InfoBlockBytes DamagedBlock() {
  InfoBlockBytes b = SoundBlock(9);
  std::fill(b.begin(), b.begin() + 512, 0xFF);
  return b;
}

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

// Board W1's only sound backup is its oldest, behind newer erased and
// damaged copies (a Total Clear, an interrupted write): a prune keeping one
// backup keeps it besides the newest, and removes only whole backups of
// the board asked for. A file that does not read as a backup stays.
TEST(BackupsCli, PruneNeverRemovesTheNewestSoundBackupOfABoard) {
  const fs::path root = fs::temp_directory_path() / ("vt_backups_cli_" + std::to_string(getpid()));
  fs::remove_all(root);
  const vt::profiles::BackupOrigin w1{"W10000471102.05", "2.5.10"};
  const auto sound = vt::profiles::SaveInfoBlockBackup(root, w1, SoundBlock(1), kWhen);
  const auto damaged = vt::profiles::SaveInfoBlockBackup(root, w1, DamagedBlock(), kWhen + 60);
  const auto erased = vt::profiles::SaveInfoBlockBackup(root, w1, ErasedBlock(), kWhen + 120);
  const auto newest = vt::profiles::SaveInfoBlockBackup(root, w1, ErasedBlock(), kWhen + 180);
  const auto other = vt::profiles::SaveInfoBlockBackup(root, "R0000000002", SoundBlock(2), kWhen);
  const auto otherNew = vt::profiles::SaveInfoBlockBackup(root, "R0000000002", SoundBlock(3), kWhen + 60);
  for (const auto* b : {&sound, &damaged, &erased, &newest, &other, &otherNew}) ASSERT_TRUE(b->ok) << b->error;
  const fs::path stray = sound.path.parent_path() / "20200101-000000.bin";
  std::ofstream(stray) << "not a backup";

  const CliRun list = Cli({"backups", "list", "--backup-dir", root.string()});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("W10000471102.05  2026-12-08 15:04:56  sound, newest      2.5.10"), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("2026-12-08 15:05:56  damaged"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("unreadable"), std::string::npos) << list.out;
  const auto json = nlohmann::json::parse(Cli({"backups", "list", "R0000000002", "--json", "--backup-dir",
                                               root.string()}).out, nullptr, false);
  ASSERT_EQ(json["backups"].size(), 2u) << json.dump();
  EXPECT_EQ(json["backups"][1].value("taken", ""), "2026-12-08T15:05:56Z");
  EXPECT_TRUE(json["backups"][1].value("newest_sound", false));

  // A dry run names what would go and removes nothing.
  const CliRun dry =
      Cli({"backups", "prune", "--keep", "1", "W10000471102.05", "--dry-run", "--backup-dir", root.string()});
  EXPECT_EQ(dry.code, 0) << dry.err;
  EXPECT_EQ(dry.out, "would remove " + damaged.path.string() + "\nwould remove " + erased.path.string() + "\n");
  EXPECT_TRUE(fs::exists(damaged.path));

  const CliRun prune =
      Cli({"backups", "prune", "--keep", "1", "W10000471102.05", "--yes", "--backup-dir", root.string()});
  ASSERT_EQ(prune.code, 0) << prune.err;
  EXPECT_TRUE(fs::exists(sound.path)) << prune.out;
  EXPECT_TRUE(fs::exists(newest.path));
  EXPECT_FALSE(fs::exists(damaged.path));
  EXPECT_FALSE(fs::exists(erased.path));
  EXPECT_TRUE(fs::exists(stray));
  EXPECT_TRUE(fs::exists(other.path));

  // Keeping none still keeps each board's newest sound backup.
  ASSERT_EQ(Cli({"backups", "prune", "--keep", "0", "--yes", "--backup-dir", root.string()}).code, 0);
  EXPECT_TRUE(fs::exists(sound.path));
  EXPECT_FALSE(fs::exists(newest.path));
  EXPECT_TRUE(fs::exists(otherNew.path));
  EXPECT_FALSE(fs::exists(other.path));
  fs::remove_all(root);
}

}  // namespace
