// The device link, the command set and the flash layer against the virtual
// board: whole operations, board state afterwards, and injected faults.
#include <gtest/gtest.h>

#include <numeric>

#include "devlink/test_command.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

using vt::sim::BoardConfig;
using vt::sim::FaultPlan;
using vt::sim::VirtualBoard;
namespace flash = vt::flash;

struct OnBoard {
  explicit OnBoard(BoardConfig config, uint32_t latencyMs = 0) : hid(clock, latencyMs) {
    hid.AddBoard(std::move(config));
  }
  VirtualBoard& Board() { return *hid.Board(size_t{0}); }
  uint32_t InfoAddress() const { return flash::InfoBlockAddress(link.Identity()); }
  std::vector<uint8_t> ReadInfoBlock(bool* ok) {
    std::vector<uint8_t> block(flash::kInfoBlockSize);
    *ok = flash::ReadBoardMemory(link, InfoAddress(), flash::kInfoBlockSize, block.data());
    return block;
  }
  // Erases the info block's four sectors and programs `block` into it.
  bool RewriteInfoBlock(const std::vector<uint8_t>& block) {
    if (!flash::EnterProgramming(link)) return false;
    for (uint32_t s = 0; s < 4; ++s) {
      if (!flash::EraseFlashSector(link, InfoAddress() + 512 * s)) return false;
    }
    if (!flash::WriteBoardMemory(link, InfoAddress(), flash::kInfoBlockSize, block.data())) {
      return false;
    }
    return flash::LeaveProgramming(link);
  }

  vt::platform::VirtualClock clock{1000};
  vt::platform::DebugLog log;
  vt::sim::VirtualHidBackend hid;
  vt::devlink::BoardLink link{hid, clock, log};
};

std::vector<BoardConfig> AllKinds() {
  return {BoardConfig::Standard(), BoardConfig::VariantAB(), BoardConfig::VariantR(),
          BoardConfig::Legacy(),   BoardConfig::SendTwice(), BoardConfig::SendTwice(true)};
}

TEST(OnVirtualBoard, ReadsTheInfoBlockOfEveryKindOfBoard) {
  for (const BoardConfig& config : AllKinds()) {
    OnBoard b(config);
    ASSERT_TRUE(b.link.USBDeviceDetect_Win32());  // the address depends on the variant
    bool ok = false;
    const auto block = b.ReadInfoBlock(&ok);
    ASSERT_TRUE(ok) << config.preset;
    EXPECT_EQ(block, b.Board().Peek(b.InfoAddress(), flash::kInfoBlockSize)) << config.preset;

    flash::InfoRecordWalk walk;
    walk.block = block;
    walk.wantedTag = flash::kProfilesTag;
    EXPECT_EQ(flash::FindInfoRecord(walk), 18u) << config.preset;
    EXPECT_EQ(walk.lastLength, 644);
    EXPECT_EQ(b.hid.OpenHandles(), 0u);
  }
}

TEST(OnVirtualBoard, RewritesTheInfoBlockAndReadsItBack) {
  for (const BoardConfig& config : AllKinds()) {
    OnBoard b(config);
    ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
    bool ok = false;
    auto block = b.ReadInfoBlock(&ok);
    ASSERT_TRUE(ok) << config.preset;
    // Replace the profiles' payload with a pattern.
    for (size_t k = 0; k < 640; ++k) block[18 + k] = static_cast<uint8_t>(k * 13 + 1);
    ASSERT_TRUE(b.RewriteInfoBlock(block)) << config.preset;
    EXPECT_FALSE(b.Board().InProgrammingMode());
    EXPECT_EQ(b.Board().Peek(b.InfoAddress(), flash::kInfoBlockSize), block) << config.preset;
    const auto again = b.ReadInfoBlock(&ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(again, block) << config.preset;
  }
}

TEST(OnVirtualBoard, DirectStoresAndTestCommand) {
  OnBoard b(BoardConfig::VariantR());
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  const uint32_t ram = flash::StagingAddress(b.link.Identity());
  ASSERT_TRUE(flash::WriteBoardWord(b.link, ram, 0x1234));
  ASSERT_TRUE(flash::SetBoardByteBits(b.link, ram + 1, 0x80));
  EXPECT_EQ(b.Board().Peek(ram, 2), (std::vector<uint8_t>{0x34, 0x92}));
  uint8_t v = 0;
  ASSERT_TRUE(flash::ReadBoardByte(b.link, ram + 1, &v));
  EXPECT_EQ(v, 0x92);

  EXPECT_NE(vt::devlink::SendTestCommand(b.link, 0xFF, 0, 77), vt::devlink::kStatusNoResponse);
  EXPECT_EQ(b.Board().TestOutput(), 77);
  ASSERT_TRUE(flash::RestartBoard(b.link));
  EXPECT_EQ(b.Board().RestartCount(), 1u);
}

TEST(OnVirtualBoard, LegacyPortWriteIsReadModifyWriteOfThePin) {
  OnBoard b(BoardConfig::Legacy());
  ASSERT_TRUE(b.link.USBSendCommand(0x18, 0x0C, 0xA0, 0, 0));  // pin 0xA0 := 0x0C
  EXPECT_EQ(b.Board().PinMemory(0xA0), 0x0C);
  ASSERT_TRUE(b.link.USBSendCommand(0x38, 0x01, 0x04, 1, 3));  // set bit 0, clear bit 2
  EXPECT_EQ(b.Board().PinMemory(0xA0), 0x09);

  OnBoard newer(BoardConfig::Standard());
  ASSERT_TRUE(newer.link.USBSendCommand(0x18, 0x0C, 0xA0, 0, 0));  // as a port write
  EXPECT_EQ(newer.Board().PortRegister(1, 3), 0x0C);
}

TEST(OnVirtualBoard, LateAndForeignRepliesAreSortedOut) {
  for (const BoardConfig& config : {BoardConfig::Standard(), BoardConfig::Legacy()}) {
    OnBoard b(config);
    ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
    FaultPlan plan;
    plan.previousTagReplies = 1;
    b.Board().ArmFaults(plan);
    ASSERT_TRUE(b.link.USBSendCommand(0x28, 0, 0, 0, 0)) << config.preset;
    EXPECT_EQ(b.link.GetLastReply().d1, config.firmwareMinor);

    plan = FaultPlan{};
    plan.foreignTagReplies = 2;
    b.Board().ArmFaults(plan);
    ASSERT_TRUE(b.link.USBSendCommand(0x28, 0, 0, 0, 0)) << config.preset;
    EXPECT_EQ(b.link.GetLastReply().d2, config.firmwareBuild);
    EXPECT_EQ(b.hid.OpenHandles(), 0u);
  }
}

TEST(OnVirtualBoard, TransportFaults) {
  OnBoard b(BoardConfig::Standard());
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  FaultPlan plan;
  plan.timeoutWrite = 1;
  b.Board().ArmFaults(plan);
  EXPECT_TRUE(b.link.USBSendCommand(0x28, 0, 0, 0, 0));  // re-detect and send again

  plan = FaultPlan{};
  plan.failStringRead = 2;
  b.Board().ArmFaults(plan);
  std::vector<uint8_t> dest(300, 0xEE);
  EXPECT_FALSE(flash::ReadBoardMemory(b.link, b.InfoAddress(), 300, dest.data()));
  const auto truth = b.Board().Peek(b.InfoAddress(), 120);
  EXPECT_TRUE(std::equal(truth.begin(), truth.end(), dest.begin()));
  EXPECT_EQ(dest[120], 0);
  EXPECT_EQ(dest[240], 0xEE);

  b.Board().SetPresent(false);
  EXPECT_EQ(vt::devlink::SendTestCommand(b.link, 0, 1, 2), vt::devlink::kStatusNoResponse);
  EXPECT_FALSE(flash::EnterProgramming(b.link));
  b.Board().SetPresent(true);
  EXPECT_TRUE(b.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(b.hid.OpenHandles(), 0u);
}

TEST(OnVirtualBoard, DetectionRefusesOversizedReportsAndKeepsLengthsWithoutCaps) {
  OnBoard b(BoardConfig::Standard());
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  FaultPlan plan;
  plan.capsInvalid = true;
  b.Board().ArmFaults(plan);
  ASSERT_TRUE(b.link.USBDeviceDetect_Win32());
  EXPECT_EQ(b.link.Identity().outputReportByteLength, 65);

  plan = FaultPlan{};
  plan.reportLengthOverride = 300;
  b.Board().ArmFaults(plan);
  EXPECT_FALSE(b.link.USBDeviceDetect_Win32());
  EXPECT_EQ(b.link.LastDetectError(), "Board report length 300 exceeds 256 bytes; not supported");
}

}  // namespace
