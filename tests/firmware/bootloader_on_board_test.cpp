// Bootloader updates, the info-block clear and the two-stage upgrade against
// the virtual board.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "flash/bootloader_update.h"
#include "flash/elf_loader.h"
#include "flash/markers.h"
#include "flash/region_program.h"
#include "flash/region_update.h"
#include "flash/stored_image.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"
#include "tests/support/temp_path.h"

namespace vt::flash {
namespace {

using sim::BoardConfig;
using testing::BoardFixture;
using testing::Le16At;
using testing::RecordPayload;

std::string IdentityText(const std::vector<uint8_t>& flash, size_t marker, size_t chars = 17) {
  std::string s;
  for (size_t k = 0; k < chars; ++k) s += static_cast<char>(flash[marker + 6 + 2 * k]);
  return s;
}

std::string TempElf(const std::vector<uint8_t>& bytes) {
  const auto path = vt::test::TempPath("vt_bootloader_test.elf");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

TEST(BootloaderUpdate, FlashBootloaderKeepsTheBoardsIdentity) {
  BoardFixture f(BoardConfig::Standard('V'));
  const auto infoBefore = f.InfoBlock(0xE0000);
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  const auto path = TempElf(decoded);
  auto result = FlashBootloaderCommand(f.ctx, path, false);
  std::filesystem::remove(path);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(*result);
  ASSERT_EQ(f.ui.questions.size(), 2u);
  EXPECT_EQ(f.ui.questions[0], "Bootloader Upgrade: Are you sure?");
  EXPECT_EQ(f.ui.questions[1],
            "Bootloader Update: Old bootloader code detected!\n\nAre you ready to update?");

  // The region up to the end marker, with the board's letter and number.
  auto image = *LoadElfImage(decoded, BoardVariant::kStandard);
  const size_t end = *FindMarker(image.Working(), 0, image.size, kBootEndMarker) + 4;
  const size_t identity = *FindMarker(image.Working(), 0, image.size, kIdentityMarker);
  const auto flash = f.Flash(0x20000, end);
  // Board "VV00004711-2-0505": letters VV, number digits 2..9 "00004711",
  // the board's minor from characters 13, 14 and the image's minor 6.
  EXPECT_EQ(IdentityText(flash, identity), "VV00004711-2-0506");
  for (size_t i = 0; i < end; ++i) {
    if (i >= identity + 6 && i < identity + 6 + 34) continue;
    ASSERT_EQ(flash[i], image.working[i]) << i;
  }
  const auto info = f.InfoBlock(0xE0000);
  EXPECT_EQ(Le16At(info, *RecordPayload(info, 12)), RegionChecksum(flash, 0, end, false));
  EXPECT_EQ(Le16At(info, *RecordPayload(info, 11)), Le16At(infoBefore, *RecordPayload(infoBefore, 11)));
  EXPECT_TRUE(std::equal(info.begin() + 12, info.begin() + 12 + 644, infoBefore.begin() + 12));
  EXPECT_EQ(f.Board().PostUpdateSwitchCount(), 1u);  // a 'V' board
  EXPECT_GE(f.Board().RestartCount(), 1u);           // option bit 8
  EXPECT_EQ(f.ui.statuses.back(), "Restarting...");
  EXPECT_FALSE(f.Board().InProgrammingMode());

  // After its restart the board presents the new record as its serial and
  // finds both regions matching their checksums.
  ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
  EXPECT_EQ(f.link.Identity().SerialText(), "VV00004711-2-0506");
  for (const auto& line : f.Board().MessagesEmitted()) {
    EXPECT_EQ(line.find("mismatch"), std::string::npos) << line;
  }
}

// The identity record keeps the board's letter, number, series and minor
// digits; only the image's minor digits (15-16) are the image's own.
TEST(BootloaderUpdate, AbBoardPresentsItsOwnSerialAfterwards) {
  for (const uint16_t minor : {uint16_t{5}, uint16_t{6}}) {
    BoardFixture f(BoardConfig::VariantAB('A'));
    const std::string before = f.link.Identity().SerialText();
    ASSERT_EQ(before, "AV00004711-2-0505");
    const auto image = testing::SmallFirmwareImage(BoardVariant::kAB, minor);
    ASSERT_TRUE(RunUpdateRequest(f.ctx, {kSourceMemory, "", image, kOptionsBootloaderFromFile, 0}))
        << DescribeUpdateFailure(f.ctx.failure, "");
    ASSERT_TRUE(f.link.USBDeviceDetect_Win32());
    EXPECT_EQ(f.link.Identity().SerialText(), minor == 5 ? before : "AV00004711-2-0506");
  }
}

TEST(BootloaderUpdate, BoardReportsARegionThatDoesNotMatchItsChecksum) {
  BoardFixture f(BoardConfig::Standard('M'));
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  // Without option bit 4 the info block holds checksum + 1.
  ASSERT_TRUE(RunUpdateRequest(
      f.ctx, {kSourceMemory, "", decoded, static_cast<uint16_t>(kOptApplication | kOptRestart), 0}));
  bool reported = false;
  for (const auto& line : f.Board().MessagesEmitted()) {
    reported = reported || line.rfind("Application checksum mismatch", 0) == 0;
  }
  EXPECT_TRUE(reported);
}

TEST(BootloaderUpdate, RecordIsAppendedInTheFirstFreeSlotWhenMissing) {
  BoardFixture f(BoardConfig::Standard('M'));
  auto block = f.InfoBlock(0xE0000);
  const size_t tag12 = *RecordPayload(block, 12) - 4;
  std::fill(block.begin() + static_cast<ptrdiff_t>(tag12), block.end(), 0xFF);
  ASSERT_TRUE(f.Board().Poke(0xE0000, block));
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  ASSERT_TRUE(RunUpdateRequest(f.ctx, {kSourceMemory, "", decoded, kOptionsBootloaderNoRestart, 0}));
  const auto info = f.InfoBlock(0xE0000);
  EXPECT_EQ(RecordPayload(info, 12), tag12 + 4);
  EXPECT_EQ(Le16At(info, tag12 + 2), 6);
  EXPECT_EQ(Le16At(info, tag12 + 6), 0xFFFF);
  EXPECT_TRUE(std::equal(info.begin(), info.begin() + static_cast<ptrdiff_t>(tag12), block.begin()));
  EXPECT_EQ(f.Board().PostUpdateSwitchCount(), 0u);  // an 'M' board
  EXPECT_EQ(f.Board().RestartCount(), 0u);
}

TEST(BootloaderUpdate, RBoardRegionStartsAt0x2000AndSkipsTheQuestionWithBit10) {
  BoardFixture f(BoardConfig::VariantR());
  const auto decoded = *DecodeStoredImage(kRBoardImageResource);
  ASSERT_TRUE(RunUpdateRequest(
      f.ctx, {kSourceMemory, "", decoded, static_cast<uint16_t>(kOptBootloader | kOptNoAskR), 0}));
  EXPECT_TRUE(f.ui.questions.empty());
  auto image = *LoadElfImage(decoded, BoardVariant::kR);
  const size_t end = *FindMarker(image.Working(), 0x2000, image.size, kBootEndMarker) + 4;
  const auto flash = f.Flash(0x80038000, end - 0x2000);
  const size_t identity = *FindMarker(image.Working(), 0, image.size, kIdentityMarker) - 0x2000;
  EXPECT_EQ(IdentityText(flash, identity).substr(0, 10), "RV00004711");
  const auto info = f.InfoBlock(0x8003F000);
  EXPECT_EQ(Le16At(info, *RecordPayload(info, 12)), RegionChecksum(flash, 0, flash.size(), true));
  EXPECT_EQ(f.Board().PostUpdateSwitchCount(), 0u);
}

TEST(BootloaderUpdate, DeclinedOrWithoutIdentityRecordNothingIsSent) {
  BoardFixture f(BoardConfig::Standard('M'));
  f.Board().Traffic().Clear();
  f.ui.defaultAnswer = false;
  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  EXPECT_FALSE(RunUpdateRequest(f.ctx, {kSourceMemory, "", decoded, kOptionsBootloaderNoRestart, 0}));
  // A file that cannot be read is refused before the question.
  f.ui.questions.clear();
  f.ctx.failure = {};
  EXPECT_EQ(FlashBootloaderCommand(f.ctx, "whatever.elf", false), std::optional<bool>(false));
  EXPECT_EQ(f.ctx.failure.step, UpdateStep::kOpen);
  EXPECT_TRUE(f.ui.questions.empty());
  EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
}

TEST(ClearInfoBlock, AsksKeepsACopyAndErasesTheWholeBlockWhereTheBoardKindKeepsIt) {
  for (const auto& config : {BoardConfig::Standard('M'), BoardConfig::VariantR(), BoardConfig::VariantAB('B')}) {
    SCOPED_TRACE(config.preset);
    BoardFixture f(config);
    const uint32_t block = f.Board().Config().infoBlockAddress;
    const auto before = f.InfoBlock(block);
    f.ui.answers = {false};
    f.Board().Traffic().Clear();
    EXPECT_TRUE(ClearInfoBlock(f.ctx, {kSourceMemory, "", {}, kOptClearInfoBlock, 0}));
    EXPECT_TRUE(f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());

    EXPECT_TRUE(ClearInfoBlock(f.ctx, {kSourceMemory, "", {}, kOptionsClearAndRestart, 0}))
        << DescribeUpdateFailure(f.ctx.failure, "");
    EXPECT_EQ(f.ui.statuses.back(), "Erasing...");
    ASSERT_EQ(f.backups.size(), 1u);
    EXPECT_EQ(f.backups[0], before);
    // Every sector of the block, on 512-byte and 4 KiB sector boards alike.
    EXPECT_EQ(f.InfoBlock(block), std::vector<uint8_t>(kInfoBlockSize, 0xFF));
    EXPECT_EQ(f.Board().RestartCount(), 1u);
  }
}

TEST(BuiltInUpgrade, TwoStagePathForW7Boards) {
  auto config = BoardConfig::Standard('W');
  config.serial[1] = u'7';
  BoardFixture f(config);
  const auto before = f.InfoBlock(0xE0000);
  ASSERT_TRUE(BuiltInUpgrade(f.ctx));
  ASSERT_EQ(f.ui.questions.size(), 2u);
  EXPECT_EQ(f.ui.questions[0], "Info: Delete info block?");
  EXPECT_EQ(f.ui.questions[1],
            "Bootloader Update: Old bootloader code detected!\n\nAre you ready to update?");
  EXPECT_EQ(f.ui.messages,
            std::vector<std::string>{"Upgrade: Wait until LEDs completes blinking and then click OK"});
  ASSERT_FALSE(f.backups.empty());
  EXPECT_EQ(f.backups[0], before);
  // From the bootloader stage on the board counts as a 'V' board.
  EXPECT_EQ(f.link.Identity().SerialChar(0), 'V');
  EXPECT_EQ(f.link.Identity().SerialChar(1), 'V');
  EXPECT_EQ(f.Board().PostUpdateSwitchCount(), 2u);  // after the bootloader, and at the end

  const auto decoded = *DecodeStoredImage(kStandardImageResource);
  auto image = *LoadElfImage(decoded, BoardVariant::kStandard);
  auto region = *LocateApplicationRegion(image.Application(), image.size, BoardVariant::kStandard);
  EXPECT_EQ(f.Flash(0x2800, region.end - 0x2800),
            std::vector<uint8_t>(image.working.begin() + 0x2800,
                                 image.working.begin() + static_cast<ptrdiff_t>(region.end)));
  const size_t identity = *FindMarker(image.Working(), 0, image.size, kIdentityMarker);
  EXPECT_EQ(IdentityText(f.Flash(0x20000, 0x100), identity).substr(0, 2), "VV");
  EXPECT_FALSE(f.Board().InProgrammingMode());
}

TEST(FirmwareUpdateCommand, QuestionsFollowTheVersionComparison) {
  // A board whose series is newer than the built-in image's.
  auto config = BoardConfig::Standard('M');
  config.serial[11] = u'3';
  BoardFixture f(config);
  EXPECT_FALSE(FirmwareUpdateCommand(f.ctx, true, "").has_value());
  EXPECT_EQ(f.ui.messages, std::vector<std::string>{
                               "Firmware Upgrade: Sorry, firmware upgrade\nis not supported by "
                               "current software."});
  EXPECT_TRUE(f.ui.questions.empty());

  // No built-in image: refused at the check, before any question.
  BoardFixture g(BoardConfig::Standard('M'));
  g.ctx.resources = [](int) -> std::optional<std::span<const uint8_t>> { return std::nullopt; };
  EXPECT_EQ(FirmwareUpdateCommand(g.ctx, true, ""), std::optional<bool>(false));
  EXPECT_EQ(g.ctx.failure.step, UpdateStep::kCheck);
  EXPECT_TRUE(g.ui.questions.empty());
  EXPECT_EQ(g.ui.pollStops, 0);
}

}  // namespace
}  // namespace vt::flash
