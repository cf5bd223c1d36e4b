// Info-block backups on disk.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/new_file.h"
#include "profiles/info_block_backup.h"
#include "tests/support/posix_only.h"
#include "tests/support/temp_path.h"

namespace vt::profiles {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t kWhen = 1796742296;  // 2026-12-08 15:04:56 UTC

InfoBlockBytes Block(uint8_t seed) {
  InfoBlockBytes b{};
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

class InfoBlockBackupTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = vt::test::TempPath("vt_backup_test");
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(InfoBlockBackupTest, SavedBlocksListInTimeOrderAndLoadBack) {
  const auto first = SaveInfoBlockBackup(root_, "RV1234", Block(1), kWhen);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.path, root_ / "RV1234" / "20261208-150456.bin");

  // Same second: never overwritten, numbered instead.
  std::vector<fs::path> sameSecond;
  for (uint8_t i = 2; i <= 12; ++i) {
    const auto r = SaveInfoBlockBackup(root_, "RV1234", Block(i), kWhen);
    ASSERT_TRUE(r.ok) << r.error;
    sameSecond.push_back(r.path);
  }
  EXPECT_EQ(sameSecond[0].filename(), "20261208-150456-1.bin");
  EXPECT_EQ(sameSecond[10].filename(), "20261208-150456-11.bin");
  const auto earlier = SaveInfoBlockBackup(root_, "RV1234", Block(99), kWhen - 3600);
  ASSERT_TRUE(earlier.ok);

  const auto list = ListInfoBlockBackups(root_, "RV1234");
  ASSERT_EQ(list.size(), 13u);
  EXPECT_EQ(list[0].name, "20261208-140456.bin");
  EXPECT_EQ(list[1].name, "20261208-150456.bin");
  EXPECT_EQ(list[2].name, "20261208-150456-1.bin");
  EXPECT_EQ(list[12].name, "20261208-150456-11.bin");  // -11 after -2..-10

  for (size_t i = 1; i < list.size(); ++i) {
    const auto loaded = LoadInfoBlockBackup(list[i].path);
    ASSERT_TRUE(loaded.block) << loaded.error;
    EXPECT_EQ(*loaded.block, Block(static_cast<uint8_t>(i))) << list[i].name;
  }
  EXPECT_TRUE(ListInfoBlockBackups(root_, "OTHER").empty());
}

TEST_F(InfoBlockBackupTest, OnlyWholeBlocksAreSavedOrLoaded) {
  const InfoBlockBytes block = Block(3);
  EXPECT_FALSE(SaveInfoBlockBackup(root_, "A1", std::span(block).first(2047), kWhen).ok);
  std::vector<uint8_t> bigger(block.begin(), block.end());
  bigger.push_back(0);
  EXPECT_FALSE(SaveInfoBlockBackup(root_, "A1", bigger, kWhen).ok);
  EXPECT_TRUE(ListInfoBlockBackups(root_, "A1").empty());

  fs::create_directories(root_ / "A1");
  for (size_t size : {0u, 2047u, 2049u, 4096u}) {
    const fs::path p = root_ / "A1" / ("20260101-000000-" + std::to_string(size) + ".bin");
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    const auto loaded = LoadInfoBlockBackup(p);
    EXPECT_FALSE(loaded.block) << size;
    EXPECT_FALSE(loaded.error.empty());
  }
  EXPECT_FALSE(LoadInfoBlockBackup(root_ / "A1" / "missing.bin").block);
}

TEST_F(InfoBlockBackupTest, AFifoGivenAsABackupIsRefusedAtOnceNotWaitedOn) {
  VT_POSIX_ONLY("a FIFO (mkfifo)");
  fs::create_directories(root_ / "A1");
  ASSERT_EQ(::mkfifo((root_ / "A1" / "pipe.bin").c_str(), 0600), 0);
  const auto fromPipe = LoadInfoBlockBackup(root_ / "A1" / "pipe.bin");
  EXPECT_FALSE(fromPipe.block);
  EXPECT_NE(fromPipe.error.find("FIFO"), std::string::npos) << fromPipe.error;
}

TEST_F(InfoBlockBackupTest, ListingSkipsForeignFiles) {
  ASSERT_TRUE(SaveInfoBlockBackup(root_, "B7", Block(0), kWhen).ok);
  fs::create_directories(root_ / "B7" / "20261208-150457.bin");  // a folder
  std::ofstream(root_ / "B7" / "notes.txt") << "x";
  std::ofstream(root_ / "B7" / "20261208-1504xx.bin") << "x";
  std::ofstream(root_ / "B7" / "20261208-150456-a.bin") << "x";
  const auto list = ListInfoBlockBackups(root_, "B7");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "20261208-150456.bin");
}

TEST_F(InfoBlockBackupTest, SerialsBecomeSafeFolderNames) {
  EXPECT_EQ(BackupFolderName("RV-12_3.a"), "RV-12_3.a");
  EXPECT_EQ(BackupFolderName("../etc"), ".._etc");
  EXPECT_EQ(BackupFolderName("a/b c"), "a_b_c");
  EXPECT_EQ(BackupFolderName(""), "unknown");
  EXPECT_EQ(BackupFolderName(".."), "unknown");
  const auto r = SaveInfoBlockBackup(root_, "../../x", Block(0), kWhen);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.path.parent_path(), root_ / ".._.._x");
}

TEST_F(InfoBlockBackupTest, DefaultRootFollowsXdgDataHome) {
  VT_POSIX_ONLY("the XDG data folder (Windows keeps backups in %LOCALAPPDATA%)");
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string savedData = oldData ? oldData : "";
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(DefaultBackupRoot(), fs::path("/data/home/velotrack/backups"));
  ::setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as XDG asks
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    EXPECT_EQ(DefaultBackupRoot(), fs::path(home) / ".local/share/velotrack/backups");
  }
  if (oldData) ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
}

TEST_F(InfoBlockBackupTest, UnwritableRootIsReported) {
  fs::create_directories(root_);
  std::ofstream(root_ / "file") << "x";
  const auto r = SaveInfoBlockBackup(root_ / "file", "RV1", Block(0), kWhen);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_FALSE(SaveInfoBlockBackup({}, "RV1", Block(0), kWhen).ok);
}


// A block as the boards keep it: header, checksum, profiles, checksum.
InfoBlockBytes SoundBlock(uint8_t seed) {
  InfoBlockBytes b{};
  b.fill(0xFF);
  const uint8_t head[] = {1, 0, 8, 0, 1, 0, 0, 0, 2, 0, 6, 0, seed, 0x12, 11, 0, 0x84, 2};
  std::copy(std::begin(head), std::end(head), b.begin());
  for (size_t i = 0; i < 640; ++i) b[18 + i] = static_cast<uint8_t>((i + seed) % 200);
  return b;
}

// A program stopped between writing a backup and giving it its name leaves
// no file that passes for a backup: the newest sound copy is still the one
// before, and later backups are unhindered.
TEST_F(InfoBlockBackupTest, BackupStoppedBeforeItsNameLeavesTheOldNewest) {
  const auto kept = SaveInfoBlockBackup(root_, BackupOrigin{"W10000471102.05", "2.5.10"}, SoundBlock(1), kWhen);
  ASSERT_TRUE(kept.ok) << kept.error;
  std::string error;
  const fs::path target = root_ / "W10000471102.05" / "20261208-150500.bin";
  const fs::path temp = platform::WriteTempBeside(target, SoundBlock(2), &error);
  ASSERT_FALSE(temp.empty()) << error;
  EXPECT_TRUE(fs::exists(temp));
  EXPECT_FALSE(fs::exists(target));
  ASSERT_EQ(ListInfoBlockBackups(root_, "W10000471102.05").size(), 1u);
  EXPECT_EQ(NewestSoundBackup(root_, "W10000471102.05"), kept.path);
  // Publishing never replaces a file that is there.
  const fs::path again = platform::WriteTempBeside(kept.path, SoundBlock(3), &error);
  EXPECT_EQ(platform::PublishNewFile(again, kept.path, &error), platform::NewFileResult::kExists);
  EXPECT_FALSE(fs::exists(again));
  EXPECT_EQ(*LoadInfoBlockBackup(kept.path).block, SoundBlock(1));

  // Erased and damaged copies are kept, marked, and never offered.
  InfoBlockBytes cut = SoundBlock(4);
  std::fill(cut.begin() + 0x200, cut.end(), 0xFF);
  const auto damaged = SaveInfoBlockBackup(root_, "W10000471102.05", cut, kWhen + 10);
  InfoBlockBytes erased{};
  erased.fill(0xFF);
  const auto blank = SaveInfoBlockBackup(root_, "W10000471102.05", erased, kWhen + 20);
  EXPECT_EQ(damaged.condition, flash::BlockCondition::kDamaged);
  EXPECT_EQ(blank.condition, flash::BlockCondition::kErased);
  EXPECT_EQ(NewestSoundBackup(root_, "W10000471102.05"), kept.path);
  const auto loaded = LoadInfoBlockBackup(kept.path);
  ASSERT_TRUE(loaded.origin);
  EXPECT_EQ(loaded.origin->serial, "W10000471102.05");
  EXPECT_EQ(loaded.origin->firmware, "2.5.10");
  std::ifstream in(damaged.path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\nkind=standard\nserial=W10000471102.05\nfirmware=\ncondition=damaged: "),
            std::string::npos);
}

}  // namespace
}  // namespace vt::profiles
