// The board's memory: factory contents, flash rules, read-back and
// persistence.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host_reports.h"
#include "tests/support/temp_path.h"

namespace vt::sim {
namespace {

using testing::Host;
using testing::Le16;

// Walks the info block's record chain and returns (tag, length) pairs.
std::vector<std::pair<uint16_t, uint16_t>> Chain(const std::vector<uint8_t>& block) {
  std::vector<std::pair<uint16_t, uint16_t>> out;
  size_t at = 0;
  while (at + 4 <= block.size()) {
    const uint16_t tag = Le16(block, at), len = Le16(block, at + 2);
    out.emplace_back(tag, len);
    if (tag == 0xFFFF || len < 4) break;
    at += len;
  }
  return out;
}

uint16_t Sum(const std::vector<uint8_t>& bytes, bool swapped) {
  uint32_t s = 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    s += swapped ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i] | bytes[i + 1] << 8);
  }
  return static_cast<uint16_t>(s);
}

// Position of the first marker (half repeated twice) at or after `from`.
size_t FindMarker(const std::vector<uint8_t>& b, uint8_t low, size_t from = 0) {
  for (size_t i = from; i + 4 <= b.size(); ++i) {
    if (b[i] == low && b[i + 1] == 0x24 && b[i + 2] == low && b[i + 3] == 0x24) return i;
  }
  return std::string::npos;
}

class FreshBoard : public ::testing::TestWithParam<const char*> {};

TEST_P(FreshBoard, HoldsConsistentFirmwareAndInfoBlock) {
  const BoardConfig config = *BoardConfig::FromPreset(GetParam());
  VirtualBoard board(config);
  const auto block = board.Peek(config.infoBlockAddress, 2048);
  const auto chain = Chain(block);
  ASSERT_EQ(chain.size(), 5u);
  EXPECT_EQ(chain[0].first, 1);
  EXPECT_EQ(Le16(block, 4), 1) << "header's first word marks the block valid";
  EXPECT_EQ(chain[1], std::make_pair(uint16_t{2}, uint16_t{6}));
  EXPECT_EQ(chain[2], std::make_pair(uint16_t{11}, uint16_t{644}));
  EXPECT_EQ(chain[3], std::make_pair(uint16_t{12}, uint16_t{6}));
  EXPECT_EQ(chain[4].first, 0xFFFF);

  // Seven profile records: profile 1's header holds settings in its high
  // byte, the others their number; camera codes are real ones (not -1).
  const size_t profiles = 8 + 6 + 4;
  for (size_t n = 1; n <= 7; ++n) {
    const size_t rec = profiles + 80 * (n - 1);
    EXPECT_EQ(Le16(block, rec), n == 1 ? 0 : n);
    EXPECT_NE(Le16(block, rec + 4), 0xFFFF);
  }

  // The version area carries the version record with the firmware's minor
  // and build, and tag 2 holds the sum over the application region.
  const auto area = board.Peek(config.versionAreaAddress, 0x800);
  const size_t marker = FindMarker(area, 0x27);
  ASSERT_EQ(marker, config.versionMarkerOffset);
  EXPECT_LT(marker, 255u - 8) << "inside the 255 bytes the panel reads";
  EXPECT_EQ(Le16(area, marker + 4), config.firmwareMinor);
  EXPECT_EQ(Le16(area, marker + 6), config.firmwareBuild);
  const size_t end = FindMarker(area, 0x28);
  ASSERT_NE(end, std::string::npos);
  const std::vector<uint8_t> region(area.begin(), area.begin() + static_cast<long>(end + 4));
  EXPECT_EQ(Le16(block, 8 + 4), Sum(region, config.bigEndianChecksums));

  // The bootloader's identity record carries the serial.
  const auto boot = board.Peek(config.bootloaderAddress, 0x400);
  const size_t id = FindMarker(boot, 0x2B);
  ASSERT_NE(id, std::string::npos);
  EXPECT_EQ(boot[id + 6], config.SerialChar(0));
  EXPECT_EQ(boot[id + 24], config.SerialChar(9));
}

INSTANTIATE_TEST_SUITE_P(Presets, FreshBoard,
                         ::testing::Values("standard", "ab", "r", "legacy", "send-twice"));

TEST(BoardPresets, IdentityPredicatesFollowTheSerial) {
  EXPECT_TRUE(BoardConfig::Legacy().IsLegacy());
  EXPECT_FALSE(BoardConfig::Standard('W').IsLegacy());
  EXPECT_FALSE(BoardConfig::Standard('W').NeedsSendTwice());
  EXPECT_TRUE(BoardConfig::SendTwice(false).NeedsSendTwice());
  EXPECT_TRUE(BoardConfig::SendTwice(true).NeedsSendTwice());
  EXPECT_EQ(BoardConfig::SendTwice(true).serial.size(), 12u);
  EXPECT_TRUE(BoardConfig::VariantR().IsVariantR());
  EXPECT_FALSE(BoardConfig::FromPreset("standard-Q").has_value());
  for (const auto& name : BoardConfig::PresetNames()) {
    auto c = BoardConfig::FromPreset(name);
    ASSERT_TRUE(c.has_value()) << name;
    EXPECT_LE(c->outputReportLength, 256);
    EXPECT_EQ(c->SerialChar(11), '2') << "series digit";
  }
}

TEST(BoardFlash, ProgrammingAndsIntoFlashSoOnlyErasedSectorsTakeNewData) {
  Host h(BoardConfig::Standard('W'));
  const uint32_t block = h.board->Config().infoBlockAddress;
  ASSERT_EQ(h.EnterProgramming(), 0);
  EXPECT_TRUE(h.board->InProgrammingMode());

  // Erase one 512-byte sector; the next sector keeps its contents.
  const auto secondSector = h.board->Peek(block + 512, 16);
  h.Erase(block + 100);
  EXPECT_EQ(h.board->Peek(block, 512), std::vector<uint8_t>(512, 0xFF));
  EXPECT_EQ(h.board->Peek(block + 512, 16), secondSector);

  h.Program(block, {0xF0, 0x0F, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE});
  EXPECT_EQ(h.board->Peek(block, 10),
            (std::vector<uint8_t>{0xF0, 0x0F, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xFF}));

  // Programming again without an erase only clears bits.
  h.Program(block, {0x0F, 0xFF});
  EXPECT_EQ(h.board->Peek(block, 2), (std::vector<uint8_t>{0x00, 0x0F}));

  // Program flash uses 1 KiB sectors.
  h.Erase(0x2C00 + 5);
  EXPECT_EQ(h.board->Peek(0x2C00, 1024), std::vector<uint8_t>(1024, 0xFF));
  EXPECT_NE(h.board->Peek(0x2800, 4), std::vector<uint8_t>(4, 0xFF));
}

TEST(BoardFlash, RefusesEraseAndCommitOutsideProgrammingModeAndSaysSo) {
  Host h(BoardConfig::Standard('W'));
  const uint32_t block = h.board->Config().infoBlockAddress;
  const auto before = h.board->Peek(block, 2048);
  EXPECT_EQ(h.Erase(block), 0) << "the report itself is taken";
  h.Program(block, {0, 0, 0, 0});
  EXPECT_EQ(h.board->Peek(block, 2048), before);
  ASSERT_GE(h.board->MessagesEmitted().size(), 2u);
  EXPECT_NE(h.board->MessagesEmitted().back().find("not in programming mode"), std::string::npos);
  int rc = 0;
  h.ReadMemory(block, 8);
  h.String(240, 512, &rc);
  h.ReadCommand(block, 8);
  h.String(240, 512, &rc);
  EXPECT_EQ(rc, 0) << "only the first fetch after a refusal fails";

  // Leaving programming mode ends the right to program.
  h.EnterProgramming();
  h.LeaveProgramming();
  h.Erase(block);
  EXPECT_EQ(h.board->Peek(block, 2048), before);
}

TEST(BoardFlash, RefusedOperationMakesTheNextReadBackFail) {
  Host h(BoardConfig::Standard('W'));
  h.Erase(h.board->Config().infoBlockAddress);
  int rc = 0;
  h.ReadCommand(0x2800, 16);
  h.String(240, 512, &rc);
  EXPECT_EQ(rc, platform::kWaitFailed);
}

TEST(BoardFlash, WritePiecesReachRamAndRegistersButNeverFlash) {
  Host h(BoardConfig::Standard('W'));
  h.Piece(0xFFFF44, {0x34, 0x12});
  h.Piece(0xFFFF4C, {0xD0});
  EXPECT_EQ(h.board->Peek(0xFFFF44, 2), (std::vector<uint8_t>{0x34, 0x12}));
  EXPECT_EQ(h.board->Peek(0xFFFF4C, 1), std::vector<uint8_t>{0xD0});
  const auto code = h.board->Peek(0x2800, 2);
  h.Piece(0x2800, {0, 0});
  EXPECT_EQ(h.board->Peek(0x2800, 2), code);
  // A piece longer than the report can carry is refused, not read past the end.
  auto r = testing::FlashReport(h.length, 0x91, 60, 0xED200);
  EXPECT_EQ(h.Send(r), 0);
  EXPECT_EQ(h.board->Peek(0xED200, 1), std::vector<uint8_t>{0});
}

TEST(BoardReadBack, ReturnsExactlyTheRequestedBytesAndRejectsLongReads) {
  Host h(BoardConfig::Standard('W'));
  const uint32_t block = h.board->Config().infoBlockAddress;
  EXPECT_EQ(h.ReadMemory(block + 120, 120), h.board->Peek(block + 120, 120));
  EXPECT_EQ(h.ReadMemory(block, 7).size(), 7u);
  // Unmapped memory reads as zeros.
  EXPECT_EQ(h.ReadMemory(0x700000, 4), std::vector<uint8_t>(4, 0));
  int rc = 0;
  h.ReadCommand(block, 121);
  h.String(240, 512, &rc);
  EXPECT_EQ(rc, platform::kWaitFailed);
  // A short buffer gets the head of the data.
  h.ReadCommand(block, 100);
  EXPECT_EQ(h.String(240, 10), h.board->Peek(block, 10));
}

TEST(BoardMemoryMap, AbBoardMirrorsInfoBlockAndStagingAtStandardAddresses) {
  Host h(BoardConfig::VariantAB('A'));
  EXPECT_EQ(h.ReadMemory(0xE0000, 64), h.board->Peek(0x38000, 64));
  h.EnterProgramming();
  h.Erase(0xE0200);  // the 4 KiB sector behind the mirror, block and all
  EXPECT_EQ(h.board->Peek(0x38000, 2048), std::vector<uint8_t>(2048, 0xFF));
  h.Piece(0xED200, {1, 2, 3, 4});
  h.Commit(0xE0000, 4);
  EXPECT_EQ(h.board->Peek(0x38000, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
  h.Piece(0x40004200, {5, 6});
  h.Commit(0x38004, 2);
  EXPECT_EQ(h.ReadMemory(0xE0000, 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(BoardRestart, LeavesProgrammingClearsRamGreetsAndDropsHandles) {
  Host h(BoardConfig::Standard('W'));
  h.EnterProgramming();
  h.Piece(0xED200, {9, 9});
  const size_t lines = h.board->MessagesEmitted().size();
  EXPECT_EQ(h.Flash(0xB1, 0, 0), 0);
  EXPECT_FALSE(h.board->InProgrammingMode());
  EXPECT_EQ(h.board->RestartCount(), 1u);
  EXPECT_EQ(h.board->Peek(0xED200, 2), (std::vector<uint8_t>{0, 0}));
  ASSERT_EQ(h.board->MessagesEmitted().size(), lines + 1);
  EXPECT_NE(h.board->MessagesEmitted().back().find("ready"), std::string::npos);
  EXPECT_EQ(h.Flash(0xD0, 0, 0), platform::kWaitFailed) << "old handle died with the restart";
  platform::HidHandle again = 0;
  EXPECT_EQ(h.backend.Open(h.path, &again), 0);
}

// A reset stack is the stack newly built: every region, faults, state,
// messages, traffic and handle numbers.
TEST(BoardFactoryReset, LeavesTheStackAsNewlyBuilt) {
  for (const char* preset : {"standard", "r"}) {
    const BoardConfig config = *BoardConfig::FromPreset(preset);
    Host h(config);
    const platform::HidHandle first = h.handle;
    h.EnterProgramming();
    for (const MemoryRegion& r : config.regions) h.board->Poke(r.base, std::vector<uint8_t>(64, 0x5A));
    h.Flash(0xB1, 0, 0);  // restart: checksum complaints, a second greeting
    FaultPlan faults;
    faults.failWrite = 3;
    faults.refuseOpen = true;
    h.board->ArmFaults(faults);

    h.backend.FactoryReset();
    const VirtualBoard fresh(config);
    for (const MemoryRegion& r : config.regions) {
      EXPECT_EQ(h.board->Peek(r.base, r.size), fresh.Peek(r.base, r.size)) << preset << " " << r.name;
    }
    EXPECT_EQ(h.board->Config().serial, fresh.Config().serial) << preset;
    EXPECT_EQ(h.board->MessagesEmitted(), fresh.MessagesEmitted()) << preset;
    EXPECT_EQ(h.board->RestartCount(), 0u);
    EXPECT_FALSE(h.board->InProgrammingMode());
    EXPECT_TRUE(h.board->Traffic().Entries().empty());
    EXPECT_EQ(h.backend.OpenHandles(), 0u);
    platform::HidHandle again = 0;
    ASSERT_EQ(h.backend.Open(h.path, &again), platform::kWaitOk) << "faults cleared";
    EXPECT_EQ(again, first) << "handles numbered from the start again";
  }
}

TEST(BoardPersistence, FlashSurvivesARunAndForeignFilesAreIgnored) {
  const auto dir = vt::test::TempPath("vt_sim_flash_test");
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "board.flash").string();
  {
    Host h(BoardConfig::Standard('W'));
    h.EnterProgramming();
    h.Erase(0xE0000);
    h.Program(0xE0000, {0x11, 0x22});
    EXPECT_TRUE(h.board->FlashDirty());
    ASSERT_TRUE(h.board->SaveFlash(file));
    EXPECT_FALSE(h.board->FlashDirty());
  }
  VirtualBoard again(BoardConfig::Standard('W'));
  ASSERT_TRUE(again.LoadFlash(file));
  EXPECT_EQ(again.Peek(0xE0000, 3), (std::vector<uint8_t>{0x11, 0x22, 0xFF}));

  // A file of another map, or cut short, leaves the flash as it was.
  VirtualBoard r(BoardConfig::VariantR());
  const auto before = r.Peek(0x8003F000, 64);
  EXPECT_FALSE(r.LoadFlash(file));
  EXPECT_EQ(r.Peek(0x8003F000, 64), before);
  std::filesystem::resize_file(file, 100);
  VirtualBoard third(BoardConfig::Standard('W'));
  EXPECT_FALSE(third.LoadFlash(file));
  EXPECT_EQ(Le16(third.Peek(0xE0000, 2), 0), 1);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vt::sim
