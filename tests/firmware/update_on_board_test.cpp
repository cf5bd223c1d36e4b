// Application region updates against the virtual board: what lands in the
// board's flash and info block, what the user sees, and failures.
#include <gtest/gtest.h>

#include "flash/elf_loader.h"
#include "flash/firmware_version.h"
#include "flash/markers.h"
#include "flash/region_program.h"
#include "flash/region_update.h"
#include "flash/stored_image.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"

namespace vt::flash {
namespace {

using sim::BoardConfig;
using testing::BoardFixture;
using testing::Le16At;
using testing::RecordPayload;

struct Expected {
  LoadedImage image;
  ApplicationRegion region;
};

Expected ExpectedRegion(std::span<const uint8_t> elf, BoardVariant v) {
  auto img = LoadElfImage(elf, v);
  EXPECT_TRUE(img);
  auto region = LocateApplicationRegion(img->Application(), img->size, v);
  EXPECT_TRUE(region);
  return {std::move(*img), *region};
}

// The info block after an update is the one before with only the tag-2
// payload changed.
void ExpectOnlyChecksumChanged(const std::vector<uint8_t>& before,
                               const std::vector<uint8_t>& after, uint16_t checksum) {
  auto tag2 = RecordPayload(before, 2);
  ASSERT_TRUE(tag2);
  auto expected = before;
  expected[*tag2] = static_cast<uint8_t>(checksum & 0xFF);
  expected[*tag2 + 1] = static_cast<uint8_t>(checksum >> 8);
  EXPECT_EQ(after, expected);
}

TEST(RegionUpdate, BuiltInUpgradeOfAStandardBoard) {
  BoardFixture f(BoardConfig::Standard('M'));
  const auto infoBefore = f.InfoBlock(0xE0000);
  ASSERT_EQ(CompareFirmwareVersion(f.link), 1);  // board 2.5.10, image 2.6.76

  auto result = FirmwareUpdateCommand(f.ctx, true, "");
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(*result);
  ASSERT_EQ(f.ui.questions.size(), 1u);
  EXPECT_EQ(f.ui.questions[0],
            "Firmware Upgrade: Old firmware detected!\n\nWould you like to perform an upgrade?");
  EXPECT_EQ(f.ui.pollStops, 1);

  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  const auto e = ExpectedRegion(decoded, BoardVariant::kStandard);
  const auto app = e.image.Application();
  EXPECT_EQ(f.Flash(static_cast<uint32_t>(e.region.writeStart), e.region.end - e.region.writeStart),
            std::vector<uint8_t>(app.begin() + static_cast<ptrdiff_t>(e.region.writeStart),
                                 app.begin() + static_cast<ptrdiff_t>(e.region.end)));
  ExpectOnlyChecksumChanged(infoBefore, f.InfoBlock(0xE0000), e.region.checksum);
  ASSERT_EQ(f.backups.size(), 1u);
  EXPECT_EQ(f.backups[0], infoBefore);

  EXPECT_FALSE(f.Board().InProgrammingMode());
  EXPECT_GE(f.Board().RestartCount(), 1u);
  const int blocks = static_cast<int>((e.region.bytes + 63) / 64);
  EXPECT_EQ(f.ui.progressTitles, std::vector<std::string>{"USB Flash Upgrade"});
  EXPECT_EQ(f.ui.progressTexts.front(), "Updating " + std::to_string(e.region.bytes) + " bytes");
  EXPECT_EQ(f.ui.progressTexts.back(), "Restarting microcontroller");
  EXPECT_EQ(f.ui.ranges[0], static_cast<int>(e.region.bytes / 64) - 1);
  EXPECT_EQ(f.ui.steps, blocks);
  EXPECT_EQ(f.ui.pumps, blocks);
  EXPECT_FALSE(f.ui.open);

  FirmwareVersion v;
  ASSERT_TRUE(ReadBoardFirmwareVersion(f.link, &v));
  EXPECT_EQ(v.minor, 6);
  EXPECT_EQ(v.build, 76);
  EXPECT_EQ(CompareFirmwareVersion(f.link), 0);
}

TEST(RegionUpdate, ChecksumPlusOneWithoutOptionBit4AndNoRestartWithoutBit8) {
  BoardFixture f(BoardConfig::Standard('N'));
  const auto infoBefore = f.InfoBlock(0xE0000);
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  UpdateRequest request{kSourceMemory, "", decoded, kOptApplication, 0};
  ASSERT_TRUE(RunUpdateRequest(f.ctx, request));
  const auto e = ExpectedRegion(decoded, BoardVariant::kStandard);
  ExpectOnlyChecksumChanged(infoBefore, f.InfoBlock(0xE0000),
                            static_cast<uint16_t>(e.region.checksum + 1));
  EXPECT_EQ(f.Board().RestartCount(), 0u);
  EXPECT_TRUE(f.ui.questions.empty());
}

TEST(RegionUpdate, RBoardGetsItsRegionAndTheWholeInfoBlockBack) {
  BoardFixture f(BoardConfig::VariantR());
  const auto infoBefore = f.InfoBlock(0x8003F000);
  ASSERT_TRUE(BuiltInUpgrade(f.ctx));
  const auto decoded = *DecodeStoredImage(kRBoardImageResource);
  const auto e = ExpectedRegion(decoded, BoardVariant::kR);
  EXPECT_EQ(e.region.boardAddress, 0x80007000u);
  const auto w = e.image.Working();
  EXPECT_EQ(f.Flash(0x80007000, e.region.end - e.region.writeStart),
            std::vector<uint8_t>(w.begin() + static_cast<ptrdiff_t>(e.region.writeStart),
                                 w.begin() + static_cast<ptrdiff_t>(e.region.end)));
  EXPECT_EQ(e.region.checksum, RegionChecksum(w, e.region.start, e.region.end, true));
  ExpectOnlyChecksumChanged(infoBefore, f.InfoBlock(0x8003F000), e.region.checksum);
  EXPECT_FALSE(f.Board().InProgrammingMode());

  FirmwareVersion v;
  ASSERT_TRUE(ReadBoardFirmwareVersion(f.link, &v));
  EXPECT_EQ(v.minor, 6);
  EXPECT_EQ(v.build, 76);
}

TEST(RegionUpdate, ABBoardFromAFileImage) {
  BoardFixture f(BoardConfig::VariantAB('B'));
  const auto infoBefore = f.InfoBlock(0x38000);
  // File data from offset 0x100 is the image; version record at 0x7014.
  auto elf = testing::MakeElf({{1, 0x100, 0, 0x8000}}, 0x8100, false, 40);
  testing::Pattern(elf, 0x100, elf.size());
  testing::PutMarker(elf, 0x100 + 0x7014, kVersionMarker);
  testing::PutMarker(elf, 0x100 + 0x7400, kAppEndMarker);
  UpdateRequest request{kSourceMemory, "", elf, kOptionsUpdateApplication, 0};
  ASSERT_TRUE(RunUpdateRequest(f.ctx, request));
  EXPECT_EQ(f.Flash(0x7000, 0x404),
            std::vector<uint8_t>(elf.begin() + 0x7100, elf.begin() + 0x7504));
  const uint16_t sum = RegionChecksum(std::span(elf).subspan(0x100), 0x7000, 0x7404, false);
  ExpectOnlyChecksumChanged(infoBefore, f.InfoBlock(0x38000), sum);
}

TEST(RegionUpdate, InfoBlockWithoutChecksumRecordIsLeftAlone) {
  BoardFixture f(BoardConfig::Standard('M'));
  auto block = f.InfoBlock(0xE0000);
  block[*RecordPayload(block, 2) - 4] = 3;  // tag 2 becomes an unknown tag
  ASSERT_TRUE(f.Board().Poke(0xE0000, block));
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  ASSERT_TRUE(RunUpdateRequest(f.ctx, {kSourceMemory, "", decoded, kOptionsUpdateApplication, 0}));
  EXPECT_EQ(f.InfoBlock(0xE0000), block);
  // The copy is taken before programming, whatever the block then needs.
  ASSERT_EQ(f.backups.size(), 1u);
  EXPECT_EQ(f.backups[0], block);
}

TEST(RegionUpdate, ImagesWithoutUsableMarkersSendNothing) {
  BoardFixture f(BoardConfig::Standard('M'));
  f.Board().Traffic().Clear();
  auto elf = testing::MakeElf({{1, 0x100, 0, 0x3000}}, 0x3100);
  testing::Pattern(elf, 0x100, elf.size());
  testing::PutMarker(elf, 0x100 + 0x2002, kVersionMarker);  // too early
  testing::PutMarker(elf, 0x100 + 0x2800, kAppEndMarker);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", elf, kOptionsUpdateApplication, 0}));
  EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
  EXPECT_TRUE(f.ui.progressTitles.empty());
  // A file that is not there, or not an image for this board.
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceFile, "/nonexistent/usbfw.elf", {}, 0x112, 0}));
  const auto r = *DecodeStoredImage(kRBoardImageResource);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", r, kOptionsUpdateApplication, 0}));
  EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
}

// Index (1-based) of the leave-programming report among the board's writes.
size_t LeaveIndex(sim::VirtualBoard& board) {
  const auto writes = board.Traffic().OfKind(sim::TrafficEntry::Kind::kWrite);
  for (size_t i = 0; i < writes.size(); ++i) {
    const auto& r = writes[i].bytes;
    if (r.size() > 8 && r[3] == 0xF1 && r[5] == 0 && r[6] == 0 && r[7] == 0 && r[8] == 0x02) {
      return i + 1;
    }
  }
  return 0;
}

TEST(RegionUpdate, AFailureAtAnyStepGivesFalseAndLeavesProgrammingMode) {
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  const UpdateRequest request{kSourceMemory, "", decoded, kOptionsUpdateApplication, 0};
  size_t leave = 0;
  {
    BoardFixture f(BoardConfig::Standard('M'));
    f.Board().Traffic().Clear();
    ASSERT_TRUE(RunUpdateRequest(f.ctx, request));
    leave = LeaveIndex(f.Board());
    ASSERT_GT(leave, 20u);
  }
  // Enter, first erase, pieces and commits of the blocks, the info-block
  // read, its erases and rewrite: every write before the leave.
  for (size_t n = 1; n < leave; n += (n < 24 ? 1 : 37)) {
    BoardFixture f(BoardConfig::Standard('M'));
    const auto infoBefore = f.InfoBlock(0xE0000);
    sim::FaultPlan plan;
    plan.failWrite = static_cast<uint32_t>(n);
    f.Board().ArmFaults(plan);
    EXPECT_FALSE(RunUpdateRequest(f.ctx, request)) << "write " << n;
    EXPECT_FALSE(f.Board().InProgrammingMode()) << "write " << n;
    EXPECT_FALSE(f.ui.open);
    if (f.backups.empty()) {
      EXPECT_EQ(f.InfoBlock(0xE0000), infoBefore) << "write " << n;
    }
  }
  // A failed read-back of the info block.
  BoardFixture f(BoardConfig::Standard('M'));
  const auto infoBefore = f.InfoBlock(0xE0000);
  sim::FaultPlan plan;
  plan.failStringRead = 1;
  f.Board().ArmFaults(plan);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, request));
  EXPECT_FALSE(f.Board().InProgrammingMode());
  EXPECT_EQ(f.InfoBlock(0xE0000), infoBefore);
}

TEST(RegionUpdate, AFailedBackupStopsBeforeTheInfoBlockIsErased) {
  BoardFixture f(BoardConfig::Standard('M'));
  const auto infoBefore = f.InfoBlock(0xE0000);
  f.ctx.backup = [](const devlink::BoardIdentity&, std::span<const uint8_t>) { return false; };
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", decoded, kOptionsUpdateApplication, 0}));
  EXPECT_EQ(f.InfoBlock(0xE0000), infoBefore);
  EXPECT_FALSE(f.Board().InProgrammingMode());
}

}  // namespace
}  // namespace vt::flash
