// The restart at the end of an update is judged by the board leaving the bus
// and coming back, not by the write of the command: a board that comes back
// late still passes, one that stays away fails at the restart step.
#include <gtest/gtest.h>

#include "flash/restart_watch.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"

namespace vt::flash {
namespace {

using sim::BoardConfig;
using testing::BoardFixture;

TEST(RestartWatch, ABoardThatLeavesForItsRestartMustComeBackInTime) {
  const auto image = testing::SmallFirmwareImage(BoardVariant::kAB, 7);
  const UpdateRequest request{kSourceMemory, "", image, kOptionsBootloaderFromFile, 0};
  uint32_t writes = 0;
  {
    BoardFixture clean(BoardConfig::VariantAB('A'));
    clean.Board().Traffic().Clear();
    ASSERT_TRUE(RunUpdateRequest(clean.ctx, request)) << DescribeUpdateFailure(clean.ctx.failure, "");
    writes = static_cast<uint32_t>(clean.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).size());
  }
  // The last write is the final restart; after it the board is away for
  // this many bus scans (one per 50 ms while it is looked for).
  for (const uint32_t awayScans : {20u, 1000u}) {
    SCOPED_TRACE("away for " + std::to_string(awayScans) + " scans");
    BoardFixture f(BoardConfig::VariantAB('A'));
    sim::FaultPlan plan;
    plan.goneAfterReports = writes;
    plan.goneForEnumerations = awayScans;
    f.Board().ArmFaults(plan);
    const uint64_t before = f.clock.ElapsedMs();
    const bool ok = RunUpdateRequest(f.ctx, request);
    EXPECT_EQ(f.Board().RestartCount(), 1u);
    if (awayScans == 20) {
      EXPECT_TRUE(ok) << DescribeUpdateFailure(f.ctx.failure, "");
      EXPECT_TRUE(f.Board().Present());
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(f.ctx.failure.step, UpdateStep::kRestartBoard);
      EXPECT_NE(f.ctx.failure.detail.find("was not back within 6 s"), std::string::npos)
          << f.ctx.failure.detail;
      // The wait is bounded by the return wait, not by the board.
      EXPECT_LT(f.clock.ElapsedMs() - before, 60'000u);
    }
  }
}

}  // namespace
}  // namespace vt::flash
