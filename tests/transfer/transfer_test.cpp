#include <gtest/gtest.h>

#include "profiles/enabling_rules.h"
#include "profiles/profile_image.h"
#include "transfer_fixture.h"

namespace vt::profiles::testing {
namespace {

using platform::MessageAnswer;

// Offset of the tag-11 payload in the block the virtual board ships with:
// header (8 bytes), application checksum (6), then the profile record.
constexpr size_t kShippedPayload = 8 + 6 + 4;

TEST_F(TransferTest, ReadShowsTheBoardsProfiles) {
  const std::vector<uint8_t> block = BoardBlock();
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(Status(), "OK");
  EXPECT_EQ(transfer_->LastStatus(), kTransferOk);
  const ProfileRecordsBytes shown = editor_.Editor().StoreProfiles();
  const auto camera2 = static_cast<int16_t>(Le16(block, kShippedPayload + 80 + 4));
  EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(1), ids::kCameraModel), CameraOfCode(camera2).name);
  EXPECT_EQ(RecordU16(*RecordAt(shown, 1), kCameraOffset), static_cast<uint16_t>(camera2));
  EXPECT_EQ(editor_.Ui().GetText(editor_.MainWindow(), resources::main_window::kSerial),
            link_->Identity().SerialText().substr(0, 22));
  EXPECT_EQ(editor_.Ui().GetText(editor_.MainWindow(), resources::main_window::kFirmware).rfind("Firmware version: ", 0),
            0u);
}

TEST_F(TransferTest, OlderFirmwareGetsTheUpgradeOfferedAfterTheRead) {
  sim::BoardConfig current = sim::BoardConfig::Standard();
  current.firmwareMinor = 99;
  Attach(current);
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(editor_.Ui().PendingEvents(), 0u);

  sim::BoardConfig old = sim::BoardConfig::Standard();
  old.firmwareMinor = 0;
  old.firmwareBuild = 1;
  Attach(old);
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  ASSERT_EQ(editor_.Ui().PendingEvents(), 1u);
  std::vector<uint16_t> commands;
  editor_.Ui().SetEventHandler([&](const platform::UiEvent& e) { commands.push_back(e.id); });
  editor_.Ui().RunPending();
  EXPECT_EQ(commands, std::vector<uint16_t>{resources::menu::kUpdateFirmware});
}

TEST_F(TransferTest, AnsweringNoChangesNeitherBoardNorEditor) {
  const std::vector<uint8_t> block = BoardBlock();
  const WordTables before = editor_.Editor().Tables();
  Answer(MessageAnswer::No);
  EXPECT_FALSE(transfer_->ReadProfilesFromBoard(true));
  EXPECT_EQ(editor_.Editor().Tables(), before);
  Answer(MessageAnswer::No);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  Answer(MessageAnswer::No);
  EXPECT_FALSE(transfer_->TotalClearReset());
  EXPECT_EQ(BoardBlock(), block);
  EXPECT_EQ(editor_.Editor().Tables(), before);
  EXPECT_EQ(editor_.Script().MessageBoxes().size(), 3u);
}

TEST_F(TransferTest, WriteReplacesOnlyTheSevenProfiles) {
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const std::vector<uint8_t> before = BoardBlock();
  // Edit profile 3's tilt apply time through its page.
  editor_.SelectSet(2);
  editor_.Editor().TableOf(2)[word::kTiltApplyTime] = 77;
  editor_.Editor().TableOf(0)[word::kDefaultProfile] = 2;

  Answer(MessageAnswer::Yes);
  ASSERT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(Status(), "OK");
  EXPECT_EQ(Board().RestartCount(), 1u);
  EXPECT_FALSE(Board().InProgrammingMode());

  const std::vector<uint8_t> after = BoardBlock();
  const ProfileRecordsBytes records = editor_.Editor().StoreProfiles();
  for (size_t i = 0; i < after.size(); ++i) {
    if (i >= kShippedPayload && i < kShippedPayload + kProfileRecordsBytes) {
      ASSERT_EQ(after[i], records[i - kShippedPayload]) << i;
    } else {
      ASSERT_EQ(after[i], before[i]) << "byte " << i << " outside the seven profiles changed";
    }
  }
  EXPECT_EQ(after[kShippedPayload + 2 * 80 + 51], 77);
  // Default profile #3 with the board's servo units.
  EXPECT_EQ(after[kShippedPayload + 1], 2 | editor_.Editor().TableOf(0)[word::kServoUnits]);

  // The backup holds the block as it was.
  const auto backup = LoadInfoBlockBackup(transfer_->LastBackup());
  ASSERT_TRUE(backup.block.has_value());
  EXPECT_TRUE(std::equal(backup.block->begin(), backup.block->end(), before.begin()));
}

TEST_F(TransferTest, TotalClearThenReadFindsNoData) {
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const uint64_t start = clock_.ElapsedMs();
  Answer(MessageAnswer::Yes);
  EXPECT_TRUE(transfer_->TotalClearReset());
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
  EXPECT_GE(clock_.ElapsedMs() - start, 6000u + 1000u + 1000u);
  EXPECT_EQ(Status(), "OK");
  for (int i = 0; i < kProfileCount; ++i) {
    EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(i), ids::kCameraModel), "- Not Selected -");
  }
  // Writing now has nowhere to go: nothing written, and no "OK".
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
}

// A block with header, checksum and bootloader checksum but no profiles.
std::vector<uint8_t> BlockWithoutProfiles() {
  std::vector<uint8_t> b(2048, 0xFF);
  PutLe16(b, 0, 1);
  PutLe16(b, 2, 8);
  PutLe16(b, 4, 1);
  PutLe16(b, 6, 0);
  PutLe16(b, 8, 2);
  PutLe16(b, 10, 6);
  PutLe16(b, 12, 0xBEEF);
  PutLe16(b, 14, 0x77);  // an unknown record kind
  PutLe16(b, 16, 10);
  for (size_t i = 18; i < 24; ++i) b[i] = static_cast<uint8_t>(i);
  PutLe16(b, 24, 12);
  PutLe16(b, 26, 6);
  PutLe16(b, 28, 0x1234);
  return b;
}

TEST_F(TransferTest, MissingProfileRecordIsAppendedAtTheFirstFreeSlot) {
  const std::vector<uint8_t> original = BlockWithoutProfiles();
  PutBlock(original);
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));  // "No data" is not a failure
  EXPECT_EQ(Status(), "OK");
  EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(0), ids::kCameraModel), "- Not Selected -");

  editor_.Editor().TableOf(0)[word::kPanNextPosition] = 99;
  Answer(MessageAnswer::Yes);
  ASSERT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  const std::vector<uint8_t> after = BoardBlock();
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 30, after.begin()));
  EXPECT_EQ(Le16(after, 30), 11);
  EXPECT_EQ(Le16(after, 32), 644);
  EXPECT_EQ(after[34 + 36], 99);
  EXPECT_EQ(Le16(after, 34 + 640), 0xFFFF);  // the chain ends after it
  // Profiles read back are the ones written.
  const ProfileRecordsBytes written = editor_.Editor().StoreProfiles();
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(editor_.Editor().StoreProfiles(), written);
}

TEST_F(TransferTest, ProfileRecordReachingPastTheBlockIsNeitherReadNorWritten) {
  // The profile record starts 300 bytes before the end: its 640-byte payload
  // would run past the block.
  std::vector<uint8_t> b = BlockWithoutProfiles();
  PutLe16(b, 30, 0x55);
  PutLe16(b, 32, static_cast<uint16_t>(2048 - 300 - 30));
  PutLe16(b, 2048 - 300, 11);
  PutLe16(b, 2048 - 298, 300);
  PutBlock(b);

  EXPECT_FALSE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(transfer_->LastStatus(), kTransferIoError);
  EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(0), ids::kCameraModel), "- Not Selected -");

  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  EXPECT_EQ(BoardBlock(), b);

  // No room for a new record either: the chain's free slot is too late.
  std::vector<uint8_t> late = BlockWithoutProfiles();
  PutLe16(late, 30, 0x55);
  PutLe16(late, 32, static_cast<uint16_t>(2048 - 400 - 30));
  PutBlock(late);
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(BoardBlock(), late);

  // Total Clear still erases such a block: nothing of it is kept anyway.
  PutBlock(b);
  Answer(MessageAnswer::Yes);
  EXPECT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kTotalClear));
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
}

TEST_F(TransferTest, HalfWrittenRecordHeaderIsNotOverwritten) {
  // A record whose tag was programmed but whose length was not: appending at
  // the slot the walk reports would clobber the record before it.
  std::vector<uint8_t> b = BlockWithoutProfiles();
  PutLe16(b, 30, 0x66);
  PutBlock(b);
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(BoardBlock(), b);
  // The same when the record before it happens to end in erased bytes, so
  // the two bytes in front of the reported slot look like a free tag.
  PutLe16(b, 28, 0xFFFF);
  PutBlock(b);
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(BoardBlock(), b);
}

class TransferVariantTest : public TransferTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(TransferVariantTest, WriteThenReadRoundTrips) {
  Attach(*sim::BoardConfig::FromPreset(GetParam()));
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  for (int i = 0; i < kProfileCount; ++i) {
    editor_.Editor().TableOf(i)[word::kPanApplyTime] = static_cast<uint16_t>(20 + i);
  }
  const ProfileRecordsBytes written = editor_.Editor().StoreProfiles();
  Answer(MessageAnswer::Yes);
  ASSERT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kWrite)) << Status();
  editor_.Editor().TableOf(0)[word::kPanApplyTime] = 0;
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(editor_.Editor().StoreProfiles(), written);
}

INSTANTIATE_TEST_SUITE_P(Boards, TransferVariantTest,
                         ::testing::Values("standard", "ab", "r", "send-twice", "legacy"));

}  // namespace
}  // namespace vt::profiles::testing
