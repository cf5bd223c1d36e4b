// What a firmware update trusts and what it refuses: the info block copied
// before programming, a damaged block never built upon, programmed bytes
// read back, failures that name their step, ELF files with several
// segments, and no built-in upgrade offered that the board kind refuses.
#include <gtest/gtest.h>

#include "flash/elf_loader.h"
#include "flash/firmware_file_check.h"
#include "flash/firmware_version.h"
#include "flash/info_block_update.h"
#include "flash/markers.h"
#include "flash/stored_image.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"

namespace vt::flash {
namespace {

using sim::BoardConfig;
using testing::BoardFixture;

std::vector<uint8_t> BuiltIn() { return *DecodeStoredImage(kStandardImageResource); }

TEST(UpdateTrust, NoBackupNoProgrammingOnAnyBoardKind) {
  for (const auto& config : {BoardConfig::Standard('M'), BoardConfig::VariantR()}) {
    SCOPED_TRACE(config.preset);
    BoardFixture f(config);
    f.ctx.backup = [](const devlink::BoardIdentity&, std::span<const uint8_t>) { return false; };
    const auto image = config.IsVariantR() ? *DecodeStoredImage(kRBoardImageResource) : BuiltIn();
    const auto flashBefore = f.Flash(f.Board().Config().versionAreaAddress, 0x1000);
    f.Board().Traffic().Clear();
    EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", image, kOptionsUpdateApplication, 0}));
    EXPECT_EQ(f.ctx.failure.step, UpdateStep::kBackup);
    // Only the two reads of the block went out: programming never began.
    EXPECT_FALSE(f.Board().InProgrammingMode());
    EXPECT_EQ(f.Flash(f.Board().Config().versionAreaAddress, 0x1000), flashBefore);
    EXPECT_EQ(f.Board().RestartCount(), 0u);
  }
}

TEST(UpdateTrust, GarbledReadOfTheBlockStopsTheUpdateBeforeAnyChange) {
  BoardFixture f(BoardConfig::Standard('M'));
  const auto info = f.InfoBlock(0xE0000);
  sim::FaultPlan plan;
  plan.corruptStringRead = 20;  // inside the second read of the block
  f.Board().ArmFaults(plan);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", BuiltIn(), kOptionsUpdateApplication, 0}));
  EXPECT_EQ(f.ctx.failure.step, UpdateStep::kBackup);
  EXPECT_NE(f.ctx.failure.detail.find("two reads"), std::string::npos);
  EXPECT_TRUE(f.backups.empty());
  EXPECT_EQ(f.InfoBlock(0xE0000), info);
}

TEST(UpdateTrust, ACommitNotCarriedOutIsCaughtByTheReadBackAndNamed) {
  BoardFixture f(BoardConfig::Standard('M'));
  const auto info = f.InfoBlock(0xE0000);
  f.Board().Traffic().Clear();
  sim::FaultPlan plan;
  // 36 reads of the block, enter programming, the first erase, 8 pieces,
  // then the first commit: acknowledged and dropped.
  plan.ignoreWrite = 47;
  f.Board().ArmFaults(plan);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", BuiltIn(), kOptionsUpdateApplication, 0}));
  EXPECT_EQ(f.ctx.failure.step, UpdateStep::kVerify);
  ASSERT_TRUE(f.ctx.failure.address.has_value());
  EXPECT_EQ(*f.ctx.failure.address & ~0x3Fu, 0x2800u);
  const std::string text = DescribeUpdateFailure(f.ctx.failure, "/backups/M1/x.bin");
  EXPECT_EQ(text.rfind("verify at 0x28", 0), 0u) << text;
  EXPECT_NE(text.find("velotrack profiles restore /backups/M1/x.bin --yes"), std::string::npos);
  // The checksum of a region that did not take is never recorded, and the
  // board is not restarted into it.
  EXPECT_EQ(f.InfoBlock(0xE0000), info);
  EXPECT_EQ(f.Board().RestartCount(), 0u);
  ASSERT_EQ(f.backups.size(), 1u);
  EXPECT_EQ(f.backups[0], info);
}

TEST(UpdateTrust, APartlyErasedBlockIsNotBuiltUpon) {
  for (const size_t erasedUpTo : {size_t{4}, size_t{512}}) {
    BoardFixture f(BoardConfig::Standard('M'));
    auto block = f.InfoBlock(0xE0000);
    // What an update interrupted between the block's erases leaves.
    std::fill(block.begin(), block.begin() + static_cast<ptrdiff_t>(erasedUpTo), 0xFF);
    ASSERT_TRUE(f.Board().Poke(0xE0000, block));
    EXPECT_NE(InfoBlockDamage(block).find("partly erased"), std::string::npos);
    const auto app = f.Flash(0x2800, 0x400);
    EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", BuiltIn(), kOptionsUpdateApplication, 0}));
    EXPECT_EQ(f.ctx.failure.step, UpdateStep::kCheck);
    EXPECT_NE(f.ctx.failure.detail.find("velotrack profiles restore"), std::string::npos);
    EXPECT_EQ(f.InfoBlock(0xE0000), block);
    EXPECT_EQ(f.Flash(0x2800, 0x400), app);
  }
  // One cut off inside the profile record, after the block's first sector.
  BoardFixture g(BoardConfig::Standard('M'));
  auto block = g.InfoBlock(0xE0000);
  std::fill(block.begin() + 300, block.end(), 0xFF);
  EXPECT_NE(InfoBlockDamage(block).find("reaches into erased flash"), std::string::npos);
  // Healthy blocks of every board kind, and an all-erased one, pass.
  for (const auto& config : {BoardConfig::Standard('M'), BoardConfig::VariantR(), BoardConfig::VariantAB('A')}) {
    BoardFixture h(config);
    EXPECT_EQ(InfoBlockDamage(h.InfoBlock(config.infoBlockAddress)), "") << config.preset;
  }
  EXPECT_EQ(InfoBlockDamage(std::vector<uint8_t>(kInfoBlockSize, 0xFF)), "");
}

TEST(UpdateTrust, AbBoardsAreOfferedNoBuiltInUpgradeTheyWouldRefuse) {
  BoardFixture f(BoardConfig::VariantAB('A'));
  std::string why;
  EXPECT_FALSE(BuiltInImageApplies(f.link.Identity(), &BuiltInResource, &why));
  EXPECT_NE(why.find("A/B-board"), std::string::npos) << why;
  EXPECT_EQ(CompareFirmwareVersion(f.link), -1);
  f.Board().Traffic().Clear();
  EXPECT_EQ(FirmwareUpdateCommand(f.ctx, true, ""), std::optional<bool>(false));
  EXPECT_EQ(f.ctx.failure.step, UpdateStep::kCheck);
  EXPECT_TRUE(f.ui.questions.empty());
  EXPECT_TRUE(f.backups.empty());
  // The same image still offers itself to a standard board.
  BoardFixture g(BoardConfig::Standard('M'));
  EXPECT_EQ(CompareFirmwareVersion(g.link), 1);
}

TEST(UpdateTrust, AbBoardBootloaderChecksumLandsInTheBlock) {
  BoardFixture f(BoardConfig::VariantAB('B'));
  // The block lies at 0x38000; the update reaches it through 0xE0000.
  const auto info = f.InfoBlock(0x38000);
  auto image = BuiltIn();
  EXPECT_TRUE(RunUpdateRequest(f.ctx, {kSourceMemory, "", image, kOptionsBootloaderFromFile, 0}))
      << DescribeUpdateFailure(f.ctx.failure, "");
  const auto after = f.InfoBlock(0x38000);
  EXPECT_NE(after, info);  // the bootloader checksum landed in the real block
  EXPECT_TRUE(testing::RecordPayload(after, 12).has_value());
  EXPECT_EQ(InfoBlockDamage(after), "");
}

// A file as Debian's arm-none-eabi toolchain links it: bootloader and
// application as separate loadable segments at their own file offsets, a
// non-loadable entry first, initialised data stored after the code and a
// large .bss in RAM.
std::vector<uint8_t> LinkerStyleElf() {
  std::vector<uint8_t> b(0x8000, 0);
  const std::vector<testing::Segment> none;
  b = testing::MakeElf(none, 0x8000);
  const struct {
    uint32_t type, offset, paddr, filesz, memsz;
  } entries[] = {
      {0x70000001, 0x7F00, 0x3100, 8, 8},       // ARM exception index
      {1, 0x1000, 0x0, 0x400, 0x400},           // bootloader
      {1, 0x2000, 0x2800, 0x800, 0x800},        // application code
      {1, 0x2800, 0x3000, 0x40, 0x40},          // .data, stored in flash
      {1, 0x0, 0x20000000, 0x0, 0x4000},        // .bss in RAM
  };
  size_t i = 0;
  for (const auto& e : entries) {
    const size_t at = 52 + 32 * i++;
    testing::Put32(b, at, e.type, false);
    testing::Put32(b, at + 4, e.offset, false);
    testing::Put32(b, at + 8, e.paddr, false);
    testing::Put32(b, at + 12, e.paddr, false);
    testing::Put32(b, at + 16, e.filesz, false);
    testing::Put32(b, at + 20, e.memsz, false);
  }
  testing::Put16(b, 44, static_cast<uint16_t>(i), false);
  testing::Pattern(b, 0x1000, 0x1400, 3);
  testing::Pattern(b, 0x2000, 0x2840, 5);
  testing::Pattern(b, 0x7F00, 0x7F08, 7);
  testing::PutMarker(b, 0x1000 + 0x3F0, kBootEndMarker);
  testing::PutMarker(b, 0x2000 + 8, kVersionMarker);
  testing::PutMarker(b, 0x2000 + 0x7F8, kAppEndMarker);
  return b;
}

TEST(ElfSegments, EachLoadableSegmentLandsAtItsAddressAndRamContributesNothing) {
  const auto elf = LinkerStyleElf();
  std::string error;
  const auto img = LoadElfImage(elf, BoardVariant::kStandard, &error);
  ASSERT_TRUE(img) << error;
  EXPECT_TRUE(std::equal(elf.begin() + 0x1000, elf.begin() + 0x1400, img->working.begin()));
  EXPECT_TRUE(std::equal(elf.begin() + 0x2000, elf.begin() + 0x2840, img->working.begin() + 0x2800));
  EXPECT_EQ(img->working[0x3100], 0);  // not loadable
  EXPECT_EQ(img->size, 0x3040u);       // .bss in RAM adds nothing
  EXPECT_FALSE(img->applicationFromFile);
  ASSERT_EQ(img->segments.size(), 4u);
  EXPECT_FALSE(img->segments[3].inFlash);
  const auto check = CheckFirmwareImage(elf, BoardVariant::kStandard, UpdatePart::kApplication);
  ASSERT_TRUE(check.ok()) << check.reason;
  EXPECT_EQ(check.application->start, 0x2800u);

  // Programmed onto a board, the application region holds the segment.
  BoardFixture f(BoardConfig::Standard('M'));
  ASSERT_TRUE(RunUpdateRequest(f.ctx, {kSourceMemory, "", elf, kOptionsUpdateApplication, 0}))
      << DescribeUpdateFailure(f.ctx.failure, "");
  EXPECT_EQ(f.Flash(0x2800, 0x800), std::vector<uint8_t>(elf.begin() + 0x2000, elf.begin() + 0x2800));
}

TEST(ElfSegments, OverlapsAndSegmentsOutsideTheFileOrImageAreRefusedByName) {
  auto overlap = LinkerStyleElf();
  testing::Put32(overlap, 52 + 32 * 3 + 12, 0x2C00, false);  // .data inside the code
  std::string error;
  EXPECT_FALSE(LoadElfImage(overlap, BoardVariant::kStandard, &error));
  EXPECT_EQ(error, "segment 3: overlaps segment 2");

  auto outside = LinkerStyleElf();
  testing::Put32(outside, 52 + 32 * 2 + 16, 0x7000, false);  // file size past the end
  testing::Put32(outside, 52 + 32 * 2 + 20, 0x7000, false);
  EXPECT_FALSE(LoadElfImage(outside, BoardVariant::kStandard, &error));
  EXPECT_EQ(error, "segment 2: data lies outside the file");

  auto tooBig = LinkerStyleElf();
  testing::Put32(tooBig, 52 + 32 * 2 + 12, 0x1FF00, false);
  EXPECT_FALSE(LoadElfImage(tooBig, BoardVariant::kStandard, &error));
  EXPECT_EQ(error, "segment 2: does not fit the 128 KiB image");

  auto table = LinkerStyleElf();
  testing::Put16(table, 44, 0x7FFF, false);  // more entries than the file holds
  EXPECT_FALSE(LoadElfImage(table, BoardVariant::kStandard, &error));
  EXPECT_NE(error.find("program header table"), std::string::npos);
}

}  // namespace
}  // namespace vt::flash
