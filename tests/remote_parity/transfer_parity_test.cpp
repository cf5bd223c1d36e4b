// Reading, writing and clearing the seven profiles with the headless editor,
// over both backends.
#include <gtest/gtest.h>

#include <algorithm>

#include "profiles/camera_models.h"
#include "profiles/enabling_rules.h"
#include "profiles/info_block_backup.h"
#include "profiles/profile_image.h"
#include "transfer_fixture.h"

namespace vt::testing {
namespace {

using profiles::WriteMode;
namespace word = profiles::word;

// Offset of the profiles' payload in the block every board ships with.
constexpr size_t kPayload = 18;

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

class TransferParity : public ::testing::TestWithParam<std::tuple<Backend, const char*>>,
                       public TransferOverBackend {};

TEST_P(TransferParity, ReadWriteReadRoundTripChangesOnlyTheProfiles) {
  ASSERT_TRUE(Attach(std::get<0>(GetParam()), std::get<1>(GetParam())));
  const std::vector<uint8_t> before = BoardBlock();
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(Status(), "OK");
  const auto camera2 = static_cast<int16_t>(Le16(before, kPayload + 80 + 4));
  EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(1), profiles::ids::kCameraModel),
            profiles::CameraOfCode(camera2).name);

  for (int i = 0; i < profiles::kProfileCount; ++i) {
    editor_.Editor().TableOf(i)[word::kPanApplyTime] = static_cast<uint16_t>(20 + i);
  }
  const profiles::ProfileRecordsBytes written = editor_.Editor().StoreProfiles();
  AnswerYes();
  ASSERT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kWrite)) << Status();
  EXPECT_EQ(Status(), "OK");

  const std::vector<uint8_t> after = BoardBlock();
  for (size_t i = 0; i < after.size(); ++i) {
    if (i >= kPayload && i < kPayload + profiles::kProfileRecordsBytes) {
      ASSERT_EQ(after[i], written[i - kPayload]) << i;
    } else {
      ASSERT_EQ(after[i], before[i]) << "byte " << i << " outside the profiles changed";
    }
  }
  editor_.Editor().TableOf(0)[word::kPanApplyTime] = 0;
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(editor_.Editor().StoreProfiles(), written);
}

INSTANTIATE_TEST_SUITE_P(Presets, TransferParity,
                         ::testing::Combine(kBothBackends,
                                            ::testing::Values("standard", "ab", "r", "legacy",
                                                              "send-twice")),
                         BackendPresetName);

class TransferFaultParity : public ::testing::TestWithParam<Backend>,
                            public TransferOverBackend {};

TEST_P(TransferFaultParity, TotalClearThenReadFindsNoData) {
  ASSERT_TRUE(Attach(GetParam(), "standard"));
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const uint64_t start = clock_.ElapsedMs();
  AnswerYes();
  EXPECT_TRUE(transfer_->TotalClearReset());
  EXPECT_GE(clock_.ElapsedMs() - start, 6000u + 1000u + 1000u);
  EXPECT_EQ(Status(), "OK");
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  for (int i = 0; i < profiles::kProfileCount; ++i) {
    EXPECT_EQ(editor_.Ui().SelectedText(editor_.Page(i), profiles::ids::kCameraModel),
              "- Not Selected -");
  }
  AnswerYes();
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
}

// A block with header and checksums but no profile record.
std::vector<uint8_t> BlockWithoutProfiles() {
  std::vector<uint8_t> b(2048, 0xFF);
  const uint16_t words[] = {1, 8, 1, 0, 2, 6, 0xBEEF, 0x77, 10};
  for (size_t i = 0; i < std::size(words); ++i) {
    b[2 * i] = static_cast<uint8_t>(words[i]);
    b[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  for (size_t i = 18; i < 24; ++i) b[i] = static_cast<uint8_t>(i);
  b[24] = 12;
  b[25] = 0;
  b[26] = 6;
  b[27] = 0;
  b[28] = 0x34;
  b[29] = 0x12;
  return b;
}

TEST_P(TransferFaultParity, MissingProfileRecordIsAppended) {
  ASSERT_TRUE(Attach(GetParam(), "standard"));
  const std::vector<uint8_t> original = BlockWithoutProfiles();
  ASSERT_TRUE(board_->Poke(BlockAddress(), original));
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  EXPECT_EQ(Status(), "OK");
  editor_.Editor().TableOf(0)[word::kPanNextPosition] = 99;
  const profiles::ProfileRecordsBytes written = editor_.Editor().StoreProfiles();
  AnswerYes();
  ASSERT_TRUE(transfer_->WriteProfilesToBoard(WriteMode::kWrite)) << Status();
  const std::vector<uint8_t> after = BoardBlock();
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 30, after.begin()));
  EXPECT_EQ(Le16(after, 30), 11);
  EXPECT_EQ(Le16(after, 32), 644);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), after.begin() + 34));
  EXPECT_EQ(Le16(after, 34 + 640), 0xFFFF);
}

// A report lost anywhere in a write or a Total Clear: never "OK", and the
// backup taken first puts the board back exactly.
TEST_P(TransferFaultParity, FailedReportsAreReportedAndRecoverable) {
  for (WriteMode mode : {WriteMode::kWrite, WriteMode::kTotalClear}) {
    ASSERT_TRUE(Attach(GetParam(), "standard"));
    const uint32_t first = hid_->Writes();
    AnswerYes();
    ASSERT_TRUE(transfer_->WriteProfilesToBoard(mode));
    const uint32_t reports = hid_->Writes() - first;
    ASSERT_GT(reports, 100u);
    // A spread of positions: the read, the erase, the programming, the restart.
    for (uint32_t n : {1u, 18u, 19u, 23u, reports / 2, reports - 1, reports}) {
      SCOPED_TRACE("failing report " + std::to_string(n) + " of " + std::to_string(reports));
      ASSERT_TRUE(Attach(GetParam(), "standard"));
      ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
      editor_.Editor().TableOf(4)[word::kPanStartPosition] = 111;
      const std::vector<uint8_t> original = BoardBlock();
      editor_.Script().ClearRecord();
      hid_->FailWrite(n);
      AnswerYes();
      const bool ok = transfer_->WriteProfilesToBoard(mode);
      hid_->FailWrite(0);
      ASSERT_FALSE(ok);
      EXPECT_EQ(Status(), "Velotrack I/O Error");
      if (transfer_->LastBackup().empty()) {
        EXPECT_EQ(BoardBlock(), original);
        continue;
      }
      ASSERT_EQ(Messages().size(), 2u);
      const auto backup = profiles::LoadInfoBlockBackup(transfer_->LastBackup());
      ASSERT_TRUE(backup.block.has_value());
      ASSERT_TRUE(std::equal(backup.block->begin(), backup.block->end(), original.begin()));
      ASSERT_TRUE(transfer_->RestoreInfoBlock(*backup.block));
      EXPECT_EQ(BoardBlock(), original);
    }
  }
}

// Faults of the board itself during the block read stop the write before
// anything is erased.
TEST_P(TransferFaultParity, BoardFaultsDuringTheReadLeaveTheBoardAlone) {
  for (uint32_t n : {1u, 9u, 18u}) {
    for (bool timeout : {false, true}) {
      SCOPED_TRACE(std::to_string(n) + (timeout ? " timed out" : " failed fetch"));
      sim::FaultPlan plan;
      plan.failStringRead = timeout ? 0 : n;
      plan.timeoutWrite = timeout ? n : 0;
      ASSERT_TRUE(Attach(GetParam(), "standard", plan));
      AnswerYes();
      EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
      EXPECT_EQ(Status(), "Velotrack I/O Error");
      EXPECT_TRUE(transfer_->LastBackup().empty());
      sim::VirtualBoard fresh(board_->Config());
      EXPECT_EQ(BoardBlock(), fresh.Peek(BlockAddress(), 2048));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TransferFaultParity, kBothBackends, BackendName);

// What the host sees of a whole write (reports sent, virtual time spent,
// including a write the board does not take in time) does not depend on
// what carries the reports.
class SameOnBothBackends : public ::testing::TestWithParam<const char*> {};

struct WriteTrace {
  bool read = false;
  uint32_t reports = 0;
  uint64_t elapsedMs = 0;
  std::string status;
  bool operator==(const WriteTrace&) const = default;
};

class TracedTransfer : public TransferOverBackend {
 public:
  WriteTrace Run(Backend backend, const char* preset, uint32_t timeoutWrite) {
    sim::FaultPlan plan;
    plan.timeoutWrite = timeoutWrite;
    EXPECT_TRUE(Attach(backend, preset, plan));
    if (!transfer_) return {};
    const uint64_t start = clock_.ElapsedMs();
    const uint32_t first = hid_->Writes();
    const bool read = transfer_->ReadProfilesFromBoard(false);
    editor_.Editor().TableOf(3)[word::kPanApplyTime] = 33;
    AnswerYes();
    transfer_->WriteProfilesToBoard(WriteMode::kWrite);
    return {read, hid_->Writes() - first, clock_.ElapsedMs() - start, Status()};
  }
};

TEST_P(SameOnBothBackends, AWholeWriteCleanAndWithATimedOutReport) {
  // 100: past the read on every kind of board.
  for (uint32_t timeoutWrite : {0u, 100u}) {
    SCOPED_TRACE("timing out write " + std::to_string(timeoutWrite));
    const WriteTrace local = TracedTransfer().Run(Backend::kInProcess, GetParam(), timeoutWrite);
    const WriteTrace remote = TracedTransfer().Run(Backend::kOverWire, GetParam(), timeoutWrite);
    EXPECT_TRUE(local.read);
    EXPECT_GE(local.reports, 100u);
    EXPECT_EQ(local.status, timeoutWrite == 0 ? "OK" : "Velotrack I/O Error");
    EXPECT_EQ(local.read, remote.read);
    EXPECT_EQ(local.reports, remote.reports);
    EXPECT_EQ(local.elapsedMs, remote.elapsedMs);
    EXPECT_EQ(local.status, remote.status);
  }
}

INSTANTIATE_TEST_SUITE_P(Presets, SameOnBothBackends,
                         ::testing::Values("standard", "r", "legacy", "send-twice"), PresetName);

}  // namespace
}  // namespace vt::testing
