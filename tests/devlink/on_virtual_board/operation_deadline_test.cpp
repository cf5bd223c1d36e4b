#include <gtest/gtest.h>

#include "devlink/deadline_scope.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

using vt::sim::BoardConfig;
namespace flash = vt::flash;

// A board that answers every primitive, each after `latencyMs` of virtual
// time: slowly, but forever.
struct SlowBoard {
  explicit SlowBoard(uint32_t latencyMs) : hid(clock, latencyMs) { hid.AddBoard(BoardConfig::Standard()); }
  bool ReadInfoBlock() {
    std::vector<uint8_t> block(flash::kInfoBlockSize);
    return flash::ReadBoardMemory(link, flash::InfoBlockAddress(link.Identity()), flash::kInfoBlockSize,
                                  block.data());
  }
  vt::platform::VirtualClock clock{1000};
  vt::platform::DebugLog log;
  vt::sim::VirtualHidBackend hid;
  vt::devlink::BoardLink link{hid, clock, log};
};

TEST(OverallDeadline, ASlowBoardIsStoppedAtTheDeadlineAndTheOperationIsNamed) {
  SlowBoard b(150);
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  // Each read answers; many of them outlast a short budget.
  uint64_t start = b.clock.ElapsedMs();
  int reads = 0;
  {
    const vt::devlink::DeadlineScope deadline(b.link, "profile read", 30000);
    while (b.ReadInfoBlock()) ASSERT_LT(++reads, 1000) << "the deadline never stopped the reads";
    EXPECT_EQ(b.link.Deadlines().Expired(), "the profile read did not finish within 30 s (the board answers too slowly)");
  }
  EXPECT_GE(reads, 1);
  // Stopped within one primitive's wait of the deadline, not after the board's own pace.
  EXPECT_LE(b.clock.ElapsedMs() - start, 30000u + 3000u);

  // Outside the operation the board is usable again; a new operation starts
  // with a clean record, and an inner deadline never extends an outer one.
  EXPECT_TRUE(b.ReadInfoBlock());
  start = b.clock.ElapsedMs();
  {
    const vt::devlink::DeadlineScope outer(b.link, "firmware update", 10000);
    EXPECT_TRUE(b.link.Deadlines().Expired().empty());
    const vt::devlink::DeadlineScope inner(b.link, "profile write", 600000);
    while (b.ReadInfoBlock()) ASSERT_LT(++reads, 2000);
    EXPECT_EQ(b.link.Deadlines().Expired().rfind("the firmware update did not finish within 10 s", 0), 0u);
  }
  EXPECT_LE(b.clock.ElapsedMs() - start, 10000u + 3000u);
}

TEST(OverallDeadline, AnOperationWithinItsBudgetIsUntouched) {
  SlowBoard b(5);
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  const vt::devlink::DeadlineScope deadline(b.link, "profile read", vt::devlink::kProfileReadBudgetMs);
  EXPECT_TRUE(b.ReadInfoBlock());
  EXPECT_TRUE(b.link.Deadlines().Expired().empty());
}

}  // namespace
