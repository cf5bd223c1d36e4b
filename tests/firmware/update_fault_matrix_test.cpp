// Every primitive of an application update, a bootloader update and an
// info-block clear, failed once in every way one primitive can fail, on a
// standard board, an A/B-board and an R-board: an update that says OK left
// exactly what a clean run leaves, a failure names its step, and whenever
// anything on the board changed, the info block from before is in a backup.

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "flash/elf_loader.h"
#include "flash/markers.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"
#include "tests/support/fault_modes.h"

namespace vt::flash {
namespace {

using sim::BoardConfig;
using testing::BoardFixture;
using vt::testing::FaultMode;

enum class Operation { kApplication, kBootloader, kClear };
enum class Board { kStandard, kAB, kR };

BoardConfig ConfigFor(Board b) {
  switch (b) {
    case Board::kAB: return BoardConfig::VariantAB('A');
    case Board::kR: return BoardConfig::VariantR();
    default: return BoardConfig::Standard('M');
  }
}

std::vector<uint8_t> SmallImage(Board b) {
  const BoardVariant variant = b == Board::kR ? BoardVariant::kR
                               : b == Board::kAB ? BoardVariant::kAB
                                                 : BoardVariant::kStandard;
  return testing::SmallFirmwareImage(variant, 7);
}

uint16_t OptionsFor(Operation op) {
  switch (op) {
    case Operation::kApplication: return kOptionsUpdateApplication;
    case Operation::kBootloader: return kOptionsBootloaderFromFile;
    default: return kOptionsClearAndRestart;
  }
}

// The flash an operation may change: the info block, the application and
// the bootloader regions.
struct BoardState {
  std::vector<uint8_t> info, application, bootloader;
  bool operator==(const BoardState&) const = default;
};

class UpdateFaultMatrix : public ::testing::TestWithParam<std::tuple<Board, Operation>> {
 protected:
  Board board() const { return std::get<0>(GetParam()); }
  Operation op() const { return std::get<1>(GetParam()); }

  BoardState State(BoardFixture& f) {
    const auto& c = f.Board().Config();
    const uint32_t app = board() == Board::kR ? 0x80007000u : board() == Board::kAB ? 0x7000u : 0x2800u;
    return {f.Flash(c.infoBlockAddress, kInfoBlockSize), f.Flash(app, 0x800),
            f.Flash(c.bootloaderAddress, 0x800)};
  }

  bool Run(BoardFixture& f, const std::vector<uint8_t>& image) {
    return RunUpdateRequest(f.ctx, {kSourceMemory, "", image, OptionsFor(op()), 0});
  }
};

TEST_P(UpdateFaultMatrix, NoFalseOkAndNoSettingsLostWithoutABackup) {
  const auto image = SmallImage(board());
  uint32_t counts[vt::testing::kAllFaultModes.size()]{};
  BoardState expected;
  {
    BoardFixture clean(ConfigFor(board()));
    clean.Board().Traffic().Clear();
    ASSERT_TRUE(Run(clean, image)) << DescribeUpdateFailure(clean.ctx.failure, "");
    expected = State(clean);
    for (size_t m = 0; m < vt::testing::kAllFaultModes.size(); ++m) {
      counts[m] = vt::testing::PrimitivesSeen(clean.Board(), vt::testing::kAllFaultModes[m]);
    }
  }

  uint32_t cases = 0;
  for (size_t m = 0; m < vt::testing::kAllFaultModes.size(); ++m) {
    const FaultMode mode = vt::testing::kAllFaultModes[m];
    EXPECT_GT(counts[m], 5u) << FaultModeName(mode);
    for (uint32_t n = 1; n <= counts[m]; ++n) {
      SCOPED_TRACE(std::string(FaultModeName(mode)) + " at " + std::to_string(n) + " of " +
                   std::to_string(counts[m]));
      BoardFixture f(ConfigFor(board()));
      const BoardState before = State(f);
      f.Board().ArmFaults(vt::testing::PlanFor(mode, n));
      const bool ok = Run(f, image);
      f.Board().ArmFaults(sim::FaultPlan{});
      ++cases;
      const BoardState after = State(f);
      // The last write of every operation here is the final restart: one
      // the board refused or lost fails the run at that step.
      const bool finalRestart = vt::testing::HitsWrites(mode) && n == counts[m];
      if (ok) {
        ASSERT_FALSE(finalRestart) << "OK with the final restart refused";
        ASSERT_EQ(after, expected) << "OK for flash the board does not hold";
        EXPECT_EQ(f.ctx.failure.step, UpdateStep::kNone);
        EXPECT_GT(f.Board().RestartCount(), 0u) << "OK without the restart";
        continue;
      }
      ASSERT_NE(f.ctx.failure.step, UpdateStep::kNone) << "a failure without a named step";
      if (finalRestart) {
        EXPECT_EQ(f.ctx.failure.step, UpdateStep::kRestartBoard);
      }
      if (after == before) continue;
      // Something changed: the block from before must be in a backup.
      ASSERT_TRUE(f.ctx.backupTaken) << DescribeUpdateFailure(f.ctx.failure, "");
      ASSERT_FALSE(f.backups.empty());
      ASSERT_EQ(f.backups.back(), before.info) << "the backup is not the block from before";
    }
  }
  std::printf("[ update fault matrix ] %u cases\n", cases);
  EXPECT_GT(cases, 100u);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Board, Operation>>& param) {
  static const char* const kBoards[] = {"Standard", "AB", "R"};
  static const char* const kOps[] = {"Application", "Bootloader", "Clear"};
  return std::string(kBoards[static_cast<int>(std::get<0>(param.param))]) +
         kOps[static_cast<int>(std::get<1>(param.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Updates, UpdateFaultMatrix,
    ::testing::Combine(::testing::Values(Board::kStandard, Board::kAB, Board::kR),
                       ::testing::Values(Operation::kApplication, Operation::kBootloader,
                                         Operation::kClear)),
    CaseName);

}  // namespace
}  // namespace vt::flash
