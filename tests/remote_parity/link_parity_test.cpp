// The device link and the flash layer over both backends: whole operations,
// the board's flash afterwards, and injected faults.
#include <gtest/gtest.h>

#include <algorithm>

#include "devlink/test_command.h"
#include "board_fixture.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"

namespace vt::testing {
namespace {

namespace flash = vt::flash;

class LinkParity : public ::testing::TestWithParam<std::tuple<Backend, const char*>>,
                   public OverBackend {
 protected:
  Backend Kind() const { return std::get<0>(GetParam()); }
  const char* Preset() const { return std::get<1>(GetParam()); }
  uint32_t InfoAddress() const { return flash::InfoBlockAddress(link->Identity()); }
  std::vector<uint8_t> ReadInfoBlock(bool* ok) {
    std::vector<uint8_t> block(flash::kInfoBlockSize);
    *ok = flash::ReadBoardMemory(*link, InfoAddress(), flash::kInfoBlockSize, block.data());
    return block;
  }
  bool RewriteInfoBlock(const std::vector<uint8_t>& block) {
    if (!flash::EnterProgramming(*link)) return false;
    for (uint32_t s = 0; s < 4; ++s) {
      if (!flash::EraseFlashSector(*link, InfoAddress() + 512 * s)) return false;
    }
    if (!flash::WriteBoardMemory(*link, InfoAddress(), flash::kInfoBlockSize, block.data())) {
      return false;
    }
    return flash::LeaveProgramming(*link);
  }
};

TEST_P(LinkParity, ReadsRewritesAndReadsBackTheInfoBlock) {
  ASSERT_TRUE(Attach(Kind(), Preset()));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  bool ok = false;
  auto block = ReadInfoBlock(&ok);
  ASSERT_TRUE(ok);
  // Over the wire this restarts the server between two operations.
  EXPECT_EQ(block, board->Peek(InfoAddress(), flash::kInfoBlockSize));
  flash::InfoRecordWalk walk;
  walk.block = block;
  walk.wantedTag = flash::kProfilesTag;
  EXPECT_EQ(flash::FindInfoRecord(walk), 18u);
  EXPECT_EQ(walk.lastLength, 644);

  for (size_t k = 0; k < 640; ++k) block[18 + k] = static_cast<uint8_t>(k * 13 + 1);
  ASSERT_TRUE(RewriteInfoBlock(block));
  EXPECT_EQ(ReadInfoBlock(&ok), block);
  EXPECT_TRUE(ok);
  EXPECT_EQ(board->Peek(InfoAddress(), flash::kInfoBlockSize), block);
}

INSTANTIATE_TEST_SUITE_P(Presets, LinkParity,
                         ::testing::Combine(kBothBackends,
                                            ::testing::Values("standard", "ab", "r", "legacy",
                                                              "send-twice", "send-twice-12")),
                         BackendPresetName);

// The board sees the same primitives, in the same order, with the same
// waits and results, whichever backend carried them.
class SameTraffic : public ::testing::TestWithParam<const char*> {
 protected:
  static std::vector<std::string> Run(Backend backend, const char* preset,
                                      const sim::FaultPlan& faults) {
    OverBackend b;
    EXPECT_TRUE(b.Attach(backend, preset, faults));
    if (!b.board) return {};
    b.link->USBDeviceDetect_Win32();
    const uint32_t info = flash::InfoBlockAddress(b.link->Identity());
    std::vector<uint8_t> block(flash::kInfoBlockSize);
    flash::ReadBoardMemory(*b.link, info, flash::kInfoBlockSize, block.data());
    block[40] ^= 0x5A;
    flash::EnterProgramming(*b.link);
    flash::EraseFlashSector(*b.link, info);
    flash::WriteBoardMemory(*b.link, info, 512, block.data());
    flash::LeaveProgramming(*b.link);
    vt::devlink::SendTestCommand(*b.link, 0xFF, 0, 77);
    b.link->USBSendCommand(0x28, 0, 0, 0, 0);
    flash::RestartBoard(*b.link);
    b.link->USBSendCommand(0x28, 0, 0, 0, 0);
    auto lines = b.board->Traffic();
    EXPECT_GT(lines.size(), 40u);
    lines.push_back("elapsed " + std::to_string(b.clock.ElapsedMs()));
    return lines;
  }
};

TEST_P(SameTraffic, CleanAndWithFaults) {
  sim::FaultPlan faults[4];
  faults[1].previousTagReplies = 2;
  faults[1].foreignTagReplies = 1;
  faults[2].timeoutWrite = 7;
  faults[2].failStringRead = 3;
  faults[3].goneAfterReports = 12;
  faults[3].goneForEnumerations = 2;
  for (const sim::FaultPlan& plan : faults) {
    const auto local = Run(Backend::kInProcess, GetParam(), plan);
    const auto remote = Run(Backend::kOverWire, GetParam(), plan);
    ASSERT_EQ(local.size(), remote.size());
    for (size_t i = 0; i < local.size(); ++i) ASSERT_EQ(local[i], remote[i]) << "line " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Presets, SameTraffic,
                         ::testing::Values("standard", "ab", "r", "legacy", "send-twice",
                                           "send-twice-12"),
                         PresetName);

class FaultParity : public ::testing::TestWithParam<Backend>, public OverBackend {
 protected:
  uint32_t InfoAddress() const { return flash::InfoBlockAddress(link->Identity()); }
};

TEST_P(FaultParity, DirectStoresAndTestCommand) {
  ASSERT_TRUE(Attach(GetParam(), "r"));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  const uint32_t ram = flash::StagingAddress(link->Identity());
  ASSERT_TRUE(flash::WriteBoardWord(*link, ram, 0x1234));
  ASSERT_TRUE(flash::SetBoardByteBits(*link, ram + 1, 0x80));
  uint8_t v = 0;
  ASSERT_TRUE(flash::ReadBoardByte(*link, ram, &v));
  EXPECT_EQ(v, 0x34);
  ASSERT_TRUE(flash::ReadBoardByte(*link, ram + 1, &v));
  EXPECT_EQ(v, 0x92);
  EXPECT_EQ(vt::devlink::SendTestCommand(*link, 0xFF, 0, 77), 0);
  ASSERT_TRUE(flash::RestartBoard(*link));
  // The board is back after its restart.
  EXPECT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0));
}

TEST_P(FaultParity, StaleRepliesAreSkipped) {
  for (const char* preset : {"standard", "legacy"}) {
    sim::FaultPlan plan;
    plan.previousTagReplies = 1;
    ASSERT_TRUE(Attach(GetParam(), preset, plan));
    ASSERT_TRUE(link->USBDeviceDetect_Win32()) << preset;
    ASSERT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0)) << preset;
    EXPECT_EQ(link->GetLastReply().d1, board->Config().firmwareMinor) << preset;
    EXPECT_EQ(link->GetLastReply().d2, board->Config().firmwareBuild) << preset;
  }
}

TEST_P(FaultParity, ForeignRepliesAreSkipped) {
  for (const char* preset : {"standard", "legacy"}) {
    sim::FaultPlan plan;
    plan.foreignTagReplies = 2;
    ASSERT_TRUE(Attach(GetParam(), preset, plan));
    ASSERT_TRUE(link->USBDeviceDetect_Win32()) << preset;
    ASSERT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0)) << preset;
    EXPECT_EQ(link->GetLastReply().d1, board->Config().firmwareMinor) << preset;
    EXPECT_EQ(link->GetLastReply().d2, board->Config().firmwareBuild) << preset;
  }
}

TEST_P(FaultParity, WriteTimeOutIsRetriedAfterRedetection) {
  sim::FaultPlan plan;
  plan.timeoutWrite = 1;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  const uint64_t start = clock.ElapsedMs();
  EXPECT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0));
  // The timed-out write costs its full wait on both backends.
  EXPECT_GT(clock.ElapsedMs() - start, 0u);
}

TEST_P(FaultParity, FailedReadBackKeepsWhatArrivedAndStops) {
  sim::FaultPlan plan;
  plan.failStringRead = 2;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  std::vector<uint8_t> dest(300, 0xEE);
  EXPECT_FALSE(flash::ReadBoardMemory(*link, InfoAddress(), 300, dest.data()));
  const auto truth = board->Peek(InfoAddress(), 120);
  ASSERT_EQ(truth.size(), 120u);
  EXPECT_TRUE(std::equal(truth.begin(), truth.end(), dest.begin()));
  EXPECT_EQ(dest[120], 0);
  EXPECT_EQ(dest[240], 0xEE);
}

TEST_P(FaultParity, CorruptedReadBackIsPassedOnAsRead) {
  sim::FaultPlan plan;
  plan.corruptStringRead = 1;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  uint8_t v = 0;
  ASSERT_TRUE(flash::ReadBoardByte(*link, InfoAddress(), &v));
  EXPECT_EQ(v, static_cast<uint8_t>(~board->Peek(InfoAddress(), 1).at(0)));
}

TEST_P(FaultParity, BoardGoneAndBack) {
  ASSERT_TRUE(Attach(GetParam(), "standard"));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  board->Unplug();
  EXPECT_EQ(vt::devlink::SendTestCommand(*link, 0, 1, 2), devlink::kStatusNoResponse);
  EXPECT_FALSE(flash::EnterProgramming(*link));
  ASSERT_TRUE(board->Replug());
  EXPECT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(link->GetLastReply().d1, board->Config().firmwareMinor);
}

TEST_P(FaultParity, BoardDroppingOffMidOperation) {
  sim::FaultPlan plan;
  plan.goneAfterReports = 2;
  plan.goneForEnumerations = 100;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  EXPECT_TRUE(link->USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_FALSE(link->USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_FALSE(flash::EnterProgramming(*link));
}

TEST_P(FaultParity, DetectionRefusals) {
  sim::FaultPlan plan;
  plan.reportLengthOverride = 300;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  EXPECT_FALSE(link->USBDeviceDetect_Win32());
  EXPECT_EQ(link->LastDetectError(), "Board report length 300 exceeds 256 bytes; not supported");

  plan = sim::FaultPlan{};
  plan.refuseOpen = true;
  ASSERT_TRUE(Attach(GetParam(), "standard", plan));
  link->USBDeviceDetect_Win32();
  EXPECT_FALSE(link->USBSendCommand(0x28, 0, 0, 0, 0));
}

TEST_P(FaultParity, FlashOperationRightAfterAReplug) {
  ASSERT_TRUE(Attach(GetParam(), "standard"));
  ASSERT_TRUE(link->USBDeviceDetect_Win32());
  board->Unplug();
  ASSERT_TRUE(board->Replug());
  // A HID stack finds the board again at once; so must the remote one.
  EXPECT_TRUE(flash::EnterProgramming(*link));
  EXPECT_TRUE(flash::LeaveProgramming(*link));
}

INSTANTIATE_TEST_SUITE_P(Backends, FaultParity, kBothBackends, BackendName);

}  // namespace
}  // namespace vt::testing
