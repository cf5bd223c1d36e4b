// Every primitive of a profile write, a Total Clear and a restore, failed in
// every way one primitive can fail, on a standard board and an R-board: the
// panel never says OK for a block the board does not hold, and the block
// from before is either still on the board or in a backup that restores it.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/fault_modes.h"
#include "transfer_fixture.h"

namespace vt::profiles::testing {
namespace {

using platform::MessageAnswer;
using vt::testing::FaultMode;

enum class Operation { kWrite, kTotalClear, kRestore };

class FaultMatrixTest : public TransferTest, public ::testing::WithParamInterface<bool> {
 protected:
  sim::BoardConfig Config() const {
    return GetParam() ? sim::BoardConfig::VariantR() : sim::BoardConfig::Standard();
  }

  void SetUp() override {
    Attach(Config());
    ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
    editor_.Editor().TableOf(4)[word::kPanStartPosition] = 111;
  }

  // A fresh board (the editor keeps its edit); returns the block it holds.
  // Backups go to memory when it can: thousands of fsyncs would dominate.
  std::vector<uint8_t> Prepare() {
    Attach(Config());
    if (std::filesystem::is_directory("/dev/shm")) {
      std::filesystem::remove_all(backupRoot_);
      backupRoot_ = std::filesystem::path("/dev/shm") / backupRoot_.filename();
      transfer_->SetBackupRoot(backupRoot_);
    }
    Board().Traffic().Clear();
    editor_.Script().ClearRecord();
    return BoardBlock();
  }

  bool Run(Operation op, const InfoBlockBytes& restoreSource) {
    switch (op) {
      case Operation::kWrite:
        Answer(MessageAnswer::Yes);
        return transfer_->WriteProfilesToBoard(WriteMode::kWrite);
      case Operation::kTotalClear:
        Answer(MessageAnswer::Yes);
        return transfer_->WriteProfilesToBoard(WriteMode::kTotalClear);
      case Operation::kRestore:
        return transfer_->RestoreInfoBlock(restoreSource);
    }
    return false;
  }

  // Runs every case of one operation, counting them in cases_.
  void Sweep(Operation op) {
    // The block a restore puts back: a copy of the board's with one byte off.
    std::vector<uint8_t> source = Prepare();
    source[100] ^= 0x5A;
    InfoBlockBytes restoreSource{};
    std::copy(source.begin(), source.end(), restoreSource.begin());

    // A clean run gives the primitive counts and the block to expect.
    Prepare();
    EXPECT_TRUE(Run(op, restoreSource));
    const std::vector<uint8_t> expected = BoardBlock();
    std::array<uint32_t, vt::testing::kAllFaultModes.size()> counts{};
    for (size_t m = 0; m < counts.size(); ++m) {
      counts[m] = vt::testing::PrimitivesSeen(Board(), vt::testing::kAllFaultModes[m]);
    }

    uint32_t& cases = cases_;
    for (size_t m = 0; m < counts.size(); ++m) {
      const FaultMode mode = vt::testing::kAllFaultModes[m];
      EXPECT_GT(counts[m], 10u) << FaultModeName(mode);
      for (uint32_t n = 1; n <= counts[m]; ++n) {
        SCOPED_TRACE(std::string(FaultModeName(mode)) + " at " + std::to_string(n) + " of " +
                     std::to_string(counts[m]));
        const std::vector<uint8_t> original = Prepare();
        Board().ArmFaults(vt::testing::PlanFor(mode, n));
        const bool ok = Run(op, restoreSource);
        Board().ArmFaults(sim::FaultPlan{});
        ++cases;
        if (ok) {
          // OK only for the block that was meant to be there.
          ASSERT_EQ(BoardBlock(), expected);
          EXPECT_EQ(Status(), "OK");
          continue;
        }
        EXPECT_EQ(Status(), "Velotrack I/O Error");
        if (transfer_->LastBackup().empty()) {
          ASSERT_EQ(BoardBlock(), original) << "changed without a backup";
          continue;
        }
        const auto backup = LoadInfoBlockBackup(transfer_->LastBackup());
        ASSERT_TRUE(backup.block.has_value());
        ASSERT_TRUE(std::equal(backup.block->begin(), backup.block->end(), original.begin()))
            << "the backup is not the block from before";
        if (BoardBlock() != original) {
          ASSERT_FALSE(transfer_->LastMessage().empty());
          EXPECT_NE(transfer_->LastMessage().find(transfer_->LastBackup().string()),
                    std::string::npos);
        }
        ASSERT_TRUE(transfer_->RestoreInfoBlock(*backup.block));
        ASSERT_EQ(BoardBlock(), original);
      }
    }
    std::printf("[ fault matrix ] %s, %s board: %u cases\n",
                op == Operation::kWrite ? "profile write"
                : op == Operation::kTotalClear ? "Total Clear" : "restore",
                GetParam() ? "R" : "standard", cases);
  }

  uint32_t cases_ = 0;
};

TEST_P(FaultMatrixTest, ProfileWrite) {
  Sweep(Operation::kWrite);
  EXPECT_GT(cases_, 500u);
}
TEST_P(FaultMatrixTest, TotalClear) {
  Sweep(Operation::kTotalClear);
  EXPECT_GT(cases_, 500u);
}
TEST_P(FaultMatrixTest, Restore) {
  Sweep(Operation::kRestore);
  EXPECT_GT(cases_, 500u);
}

INSTANTIATE_TEST_SUITE_P(Boards, FaultMatrixTest, ::testing::Bool(),
                         [](const auto& board) { return board.param ? "RBoard" : "StandardBoard"; });

// A read-back garbled on the way is caught by the second read: the backup
// and the write only go ahead on a block both reads agree on.
TEST_F(TransferTest, GarbledReadNeverBecomesTheBackup) {
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const std::vector<uint8_t> original = BoardBlock();
  sim::FaultPlan plan;
  plan.corruptStringRead = 3;
  Board().ArmFaults(plan);
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_TRUE(transfer_->LastBackup().empty());
  EXPECT_EQ(BoardBlock(), original);
  EXPECT_NE(transfer_->LastMessage().find("two reads of the block differ"), std::string::npos);
}

// Commits the board acknowledges but never carries out leave erased flash:
// the read-back tells, and the message says what differs and how to restore.
TEST_F(TransferTest, WriteThatDidNotTakeIsAFailureThatNamesTheBackup) {
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const std::vector<uint8_t> original = BoardBlock();
  Board().Traffic().Clear();
  sim::FaultPlan plan;
  // 36 read commands (the block twice), enter, 4 erases, 8 pieces, then
  // the first commit.
  plan.ignoreWrite = 50;
  Board().ArmFaults(plan);
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(transfer_->LastFailedStep(), ProgramStep::kVerify);
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  const std::string& message = transfer_->LastMessage();
  EXPECT_NE(message.find("Velotrack does not hold what was written"), std::string::npos) << message;
  EXPECT_NE(message.find("velotrack profiles restore " + transfer_->LastBackup().string() + " --yes"),
            std::string::npos)
      << message;
  EXPECT_EQ(Board().RestartCount(), 0u);  // never restarted into a bad block
  const auto backup = LoadInfoBlockBackup(transfer_->LastBackup());
  ASSERT_TRUE(backup.block.has_value());
  ASSERT_TRUE(transfer_->RestoreInfoBlock(*backup.block));
  EXPECT_EQ(BoardBlock(), original);
}

}  // namespace
}  // namespace vt::profiles::testing
