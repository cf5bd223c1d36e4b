// Faults at every step of a profile write: whatever fails, the panel never
// reports success, and the backup it took puts the board back exactly.

#include <gtest/gtest.h>

#include <fstream>

#include "transfer_fixture.h"

namespace vt::profiles::testing {
namespace {

using platform::MessageAnswer;

class WriteFaultTest : public TransferTest {
 protected:
  // Number of output reports a clean write sends.
  uint32_t CleanWriteReports(WriteMode mode) {
    Attach(sim::BoardConfig::Standard());
    const uint32_t before = faulty_->Writes();
    Answer(MessageAnswer::Yes);
    EXPECT_TRUE(transfer_->WriteProfilesToBoard(mode));
    return faulty_->Writes() - before;
  }

  void SweepFaults(WriteMode mode) {
    const uint32_t reports = CleanWriteReports(mode);
    ASSERT_GT(reports, 100u);
    for (uint32_t n = 1; n <= reports; ++n) {
      SCOPED_TRACE("failing report " + std::to_string(n) + " of " + std::to_string(reports));
      Attach(sim::BoardConfig::Standard());
      ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
      editor_.Editor().TableOf(4)[word::kPanStartPosition] = 111;
      const std::vector<uint8_t> original = BoardBlock();
      editor_.Script().ClearRecord();

      faulty_->FailWrite(n);
      Answer(MessageAnswer::Yes);
      const bool ok = transfer_->WriteProfilesToBoard(mode);
      faulty_->FailWrite(0);
      if (ok) {
        // Only a failed read command of the check after writing may be
        // repeated into success, and then the board holds the new block.
        ASSERT_EQ(transfer_->LastFailedStep(), ProgramStep::kNone);
        EXPECT_EQ(Status(), "OK");
        EXPECT_NE(BoardBlock(), original);
        if (mode == WriteMode::kTotalClear) {
          EXPECT_EQ(BoardBlock(), std::vector<uint8_t>(2048, 0xFF));
        }
        continue;
      }
      EXPECT_EQ(Status(), "Velotrack I/O Error");
      EXPECT_EQ(transfer_->LastStatus(), kTransferIoError);

      const ProgramStep step = transfer_->LastFailedStep();
      const bool boardTouched =
          step == ProgramStep::kEnter || step == ProgramStep::kErase || step == ProgramStep::kWrite;
      if (transfer_->LastBackup().empty()) {
        // The read failed: nothing was erased.
        EXPECT_EQ(BoardBlock(), original);
        continue;
      }
      const auto messages = Messages();
      ASSERT_EQ(messages.size(), 2u);  // the question and the failure
      if (boardTouched) {
        EXPECT_EQ(messages[1].rfind("Write to Velotrack failed\nTry to re-plug a device", 0), 0u);
        EXPECT_NE(messages[1].find(transfer_->LastBackup().string()), std::string::npos);
      } else {
        EXPECT_NE(messages[1].find("did not restart"), std::string::npos);
      }
      const auto backup = LoadInfoBlockBackup(transfer_->LastBackup());
      ASSERT_TRUE(backup.block.has_value());
      ASSERT_TRUE(std::equal(backup.block->begin(), backup.block->end(), original.begin()));
      ASSERT_TRUE(transfer_->RestoreInfoBlock(*backup.block));
      EXPECT_EQ(BoardBlock(), original);
      EXPECT_FALSE(Board().InProgrammingMode());
    }
  }
};

TEST_F(WriteFaultTest, EveryFailedReportOfAWriteIsReportedAndRecoverable) {
  SweepFaults(WriteMode::kWrite);
}

TEST_F(WriteFaultTest, EveryFailedReportOfATotalClearIsReportedAndRecoverable) {
  SweepFaults(WriteMode::kTotalClear);
}

TEST_F(WriteFaultTest, FailedReadBackOrLateReportLeavesTheBoardAlone) {
  // The block read is 18 chunks: a failed fetch or a report the board does
  // not take in time anywhere in it must stop the write before any erase.
  for (uint32_t n = 1; n <= 18; ++n) {
    for (bool timeout : {false, true}) {
      SCOPED_TRACE(std::to_string(n) + (timeout ? " timed out" : " failed fetch"));
      Attach(sim::BoardConfig::Standard());
      const std::vector<uint8_t> original = BoardBlock();
      sim::FaultPlan plan;
      plan.failStringRead = timeout ? 0 : n;
      plan.timeoutWrite = timeout ? n : 0;
      Board().ArmFaults(plan);
      Answer(MessageAnswer::Yes);
      EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
      EXPECT_EQ(Status(), "Velotrack I/O Error");
      EXPECT_TRUE(transfer_->LastBackup().empty());
      Board().ArmFaults(sim::FaultPlan{});
      EXPECT_EQ(BoardBlock(), original);
      EXPECT_EQ(Board().RestartCount(), 0u);
    }
  }
}

TEST_F(WriteFaultTest, BackupThatCannotBeSavedStopsTheWrite) {
  ASSERT_TRUE(transfer_->ReadProfilesFromBoard(false));
  const std::vector<uint8_t> original = BoardBlock();
  // A file where the backup folder would go.
  std::filesystem::create_directories(backupRoot_.parent_path());
  { std::ofstream f(backupRoot_); ASSERT_TRUE(f); }
  Answer(MessageAnswer::Yes);
  EXPECT_FALSE(transfer_->WriteProfilesToBoard(WriteMode::kWrite));
  EXPECT_EQ(BoardBlock(), original);
  EXPECT_EQ(Status(), "Velotrack I/O Error");
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[1].find("Nothing was written"), std::string::npos);
  std::filesystem::remove(backupRoot_);
}

}  // namespace
}  // namespace vt::profiles::testing
