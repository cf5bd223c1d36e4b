// A board whose settings block is damaged or erased: every operation says
// what is wrong and names the newest sound backup, and none of them sends
// anything that programs or erases flash.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "flash/info_block_damage.h"
#include "profiles/enabling_rules.h"
#include "transfer_fixture.h"

namespace vt::profiles::testing {
namespace {

using platform::MessageAnswer;

// Later than any backup the operations take themselves.
constexpr std::time_t kWhen = 4'000'000'000;

struct Damage {
  const char* name;
  const char* said;  // what the message names
  std::function<void(std::vector<uint8_t>&)> apply;
};

void Erase(std::vector<uint8_t>& b, size_t from, size_t to) {
  std::fill(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to), 0xFF);
}

// The shipped block: header at 0, checksum at 0x8, profiles at 0xE (to
// 0x292), bootloader checksum at 0x292, erased from 0x298.
const std::vector<Damage>& Damages() {
  static const std::vector<Damage> kDamages = {
      {"first word", "first word is 0x0000", [](auto& b) { b[0] = 0; }},
      {"broken chain", "record chain is broken at offset 0x8", [](auto& b) { b[10] = 2; }},
      {"erased sector", "reaches into erased flash", [](auto& b) { Erase(b, 0x200, 0x800); }},
      {"erased first sector", "partly erased: bytes 0x0-0x1FF", [](auto& b) { Erase(b, 0, 0x200); }},
      {"hole", "erased hole: the record at offset 0xE", [](auto& b) { Erase(b, 0x80, 0xC0); }},
      // A write cut short after 10 of its 64-byte units: the eighth slot's
      // end and the bootloader checksum are gone, the chain still ends.
      {"cut program", "is erased from offset 0x280", [](auto& b) { Erase(b, 0x280, 0x800); }},
  };
  return kDamages;
}

class DamageTest : public TransferTest {
 protected:
  // A sound backup, then newer erased and damaged ones: only the first is
  // ever offered.
  std::filesystem::path SeedBackups(const std::vector<uint8_t>& sound) {
    const std::string serial = link_->Identity().SerialText();
    const auto kept = SaveInfoBlockBackup(backupRoot_, serial, sound, kWhen);
    EXPECT_EQ(kept.condition, flash::BlockCondition::kSound);
    EXPECT_EQ(SaveInfoBlockBackup(backupRoot_, serial, std::vector<uint8_t>(2048, 0xFF), kWhen + 1).condition,
              flash::BlockCondition::kErased);
    std::vector<uint8_t> cut = sound;
    Erase(cut, 0x280, 0x800);
    EXPECT_EQ(SaveInfoBlockBackup(backupRoot_, serial, cut, kWhen + 2).condition, flash::BlockCondition::kDamaged);
    return kept.path;
  }
  // Reports that program, erase or change the board's mode.
  size_t FlashCommandsSent() {
    size_t n = 0;
    for (const auto& e : Board().Traffic().Entries()) {
      if (e.kind != sim::TrafficEntry::Kind::kWrite || e.bytes.size() < 4) continue;
      const uint8_t code = e.bytes[3];
      n += code == 0x91 || code == 0xA1 || code == 0xB1 || code == 0xC1 || code == 0xF1;
    }
    return n;
  }
  void ExpectToldWayBack(const std::filesystem::path& backup, const std::string& said) {
    const std::string& message = transfer_->LastMessage();
    EXPECT_NE(message.find(said), std::string::npos) << message;
    EXPECT_NE(message.find("velotrack profiles restore " + backup.string() + " --yes"), std::string::npos)
        << message;
  }
};

TEST_F(DamageTest, DamagedBlockIsReportedAndNeverErased) {
  const std::vector<uint8_t> sound = BoardBlock();
  const auto backup = SeedBackups(sound);
  for (const Damage& d : Damages()) {
    SCOPED_TRACE(d.name);
    std::vector<uint8_t> damaged = sound;
    d.apply(damaged);
    ASSERT_EQ(flash::CheckInfoBlock(damaged).condition, flash::BlockCondition::kDamaged);
    PutBlock(damaged);
    Board().Traffic().Clear();

    EXPECT_FALSE(transfer_->ReadProfilesFromBoard(false));
    EXPECT_EQ(transfer_->LastBlockCondition(), flash::BlockCondition::kDamaged);
    EXPECT_EQ(Status(), "Velotrack I/O Error");
    ExpectToldWayBack(backup, d.said);
    EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(0), ids::kCameraModel), "- Not Selected -");

    Answer(MessageAnswer::Yes);
    EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
    EXPECT_TRUE(transfer_->Refused());
    ExpectToldWayBack(backup, d.said);
    EXPECT_TRUE(transfer_->LastBackup().empty());

    // A damaged block is no backup to put back either.
    InfoBlockBytes asBackup{};
    std::copy(damaged.begin(), damaged.end(), asBackup.begin());
    EXPECT_FALSE(transfer_->RestoreInfoBlock(asBackup));
    EXPECT_TRUE(transfer_->Refused());
    EXPECT_EQ(FlashCommandsSent(), 0u);
    EXPECT_EQ(BoardBlock(), damaged);
  }
  // The backup named is the way back, byte for byte; the damaged block it
  // replaced is kept, marked, and not offered in its place.
  ASSERT_TRUE(transfer_->RestoreInfoBlock(*LoadInfoBlockBackup(backup).block));
  EXPECT_EQ(BoardBlock(), sound);
  const auto replaced = LoadInfoBlockBackup(transfer_->LastBackup());
  EXPECT_EQ(replaced.check.condition, flash::BlockCondition::kDamaged);
  EXPECT_EQ(NewestSoundBackup(backupRoot_, link_->Identity().SerialText()), backup);
}

// Total Clear leaves the block erased: reading it says "No data" and names
// the way back, a write is refused before anything is erased, and the
// erased copy taken by a later clear is never the backup offered.
TEST_F(DamageTest, ErasedBlockSaysNoDataAndIsNotWrittenInto) {
  const std::vector<uint8_t> sound = BoardBlock();
  const auto backup = SeedBackups(sound);
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  Answer(MessageAnswer::Yes);
  ASSERT_TRUE(transfer_->TotalClearReset());
  EXPECT_EQ(Status(), "OK");  // after a second of "No data"
  EXPECT_EQ(transfer_->LastBlockCondition(), flash::BlockCondition::kErased);
  ExpectToldWayBack(backup, "No data: the settings block on Velotrack is erased");

  Board().Traffic().Clear();
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_TRUE(transfer_->Refused());
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  ExpectToldWayBack(backup, "is erased");
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->TotalClearReset());
  EXPECT_NE(transfer_->LastMessage().find("already erased"), std::string::npos);
  EXPECT_EQ(FlashCommandsSent(), 0u);
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
  EXPECT_EQ(NewestSoundBackup(backupRoot_, link_->Identity().SerialText()), backup);
}


// A backup from before a firmware update goes back with the checksums the
// board's sound block holds now: the profiles are the backup's, the tag-2
// and tag-12 values describe the firmware the board runs.
TEST_F(DamageTest, RestoreKeepsTheChecksumsOfTheFirmwareNowOnTheBoard) {
  const std::vector<uint8_t> before = BoardBlock();
  std::vector<uint8_t> now = before;
  now[0x0C] ^= 0x5A;            // tag-2 payload at 0xC
  now[0x296] ^= 0x33;           // tag-12 payload at 0x296
  now[0x12 + 80 + 36] ^= 0x01;  // and a profile changed since
  PutBlock(now);
  InfoBlockBytes backup{};
  std::copy(before.begin(), before.end(), backup.begin());
  ASSERT_TRUE(transfer_->RestoreInfoBlock(backup));
  EXPECT_EQ(transfer_->ChecksumsKept(), 2);
  std::vector<uint8_t> expected = before;
  for (size_t at : {size_t{0x0C}, size_t{0x296}}) expected[at] = now[at];
  EXPECT_EQ(BoardBlock(), expected);
}

}  // namespace
}  // namespace vt::profiles::testing
