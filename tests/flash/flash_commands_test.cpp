#include <gtest/gtest.h>

#include <numeric>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "tests/support/link_fixture.h"

namespace {

using vt::platform::kWaitFailed;
using vt::platform::kWaitTimeout;
using vt::testing::LinkFixture;
using vt::testing::ScriptedHid;
namespace flash = vt::flash;

uint32_t Le32(const std::vector<uint8_t>& r, size_t at) {
  return uint32_t(r[at]) | uint32_t(r[at + 1]) << 8 | uint32_t(r[at + 2]) << 16 |
         uint32_t(r[at + 3]) << 24;
}

// Board memory as a function of the address, served for the latest read report.
uint8_t MemoryAt(uint32_t address) { return static_cast<uint8_t>(address * 7 + (address >> 8)); }

void ServeMemory(ScriptedHid& hid) {
  hid.stringHandler = [&hid](uint8_t index, size_t) {
    ScriptedHid::Reply reply;
    const auto& r = hid.LastWrite();
    if (index != flash::kReadBackStringIndex || r[3] != flash::kRead) return ScriptedHid::Reply{kWaitFailed, {}};
    for (uint32_t k = 0; k < Le32(r, 9); ++k) reply.bytes.push_back(MemoryAt(Le32(r, 5) + k));
    return reply;
  };
}

TEST(FlashCommands, ReportLayouts) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("M1"));
  const uint8_t piece[3] = {0xAA, 0xBB, 0xCC};
  ASSERT_TRUE(flash::SendFlashCommand(f.link, flash::kWritePiece, piece, 0x40004200, 3));
  ASSERT_TRUE(flash::WriteBoardWord(f.link, 0x1234, 0xBEEF));
  ASSERT_TRUE(flash::SendFlashCommand(f.link, flash::kCommit, nullptr, 0xE0000, 64));
  ASSERT_TRUE(flash::EraseFlashSector(f.link, 0xE0200));
  ASSERT_TRUE(flash::RestartBoard(f.link));
  ASSERT_TRUE(flash::EnterProgramming(f.link));
  ASSERT_TRUE(flash::LeaveProgramming(f.link));
  ASSERT_TRUE(flash::PostUpdateSwitch(f.link));
  using Bytes = std::vector<uint8_t>;
  const std::vector<Bytes> expected = {
      {0, 0, 0, 0x91, 3, 0x00, 0x42, 0x00, 0x40, 0xAA, 0xBB, 0xCC, 0},
      {0, 0, 0, 0x91, 2, 0x34, 0x12, 0, 0, 0xEF, 0xBE, 0, 0},
      {0, 0, 0, 0xA1, 0, 0x00, 0x00, 0x0E, 0, 64, 0, 0, 0},
      {0, 0, 0, 0xC1, 0, 0x00, 0x02, 0x0E, 0, 0, 0, 0, 0},
      {0, 0, 0, 0xB1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {0, 0, 0, 0xF1, 0xF0, 0x20, 0x02, 0x02, 0x00, 0, 0, 0, 0},
      {0, 0, 0, 0xF1, 0xF0, 0x00, 0x00, 0x00, 0x02, 0, 0, 0, 0},
      {0, 0, 0, 0xF1, 0xF0, 0x02, 0x00, 0x20, 0x00, 0, 0, 0, 0},
  };
  ASSERT_EQ(f.hid.writes.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) {
    const Bytes& w = f.hid.writes[k].bytes;
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 13), expected[k]) << "report " << k;
    EXPECT_TRUE(std::all_of(w.begin() + 13, w.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(f.hid.writes[k].waitMs, 500u);
  }
  EXPECT_EQ(f.hid.CountCalls("open board:0"), expected.size());
  EXPECT_EQ(f.hid.openHandles, 0);
}

TEST(FlashCommands, FailuresOfOpenWriteAndOversizedPieces) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("R1", 0x0500, 17));
  EXPECT_TRUE(flash::RestartBoard(f.link));
  EXPECT_EQ(f.hid.writes.back().waitMs, 2600u);
  f.hid.writeResults = {kWaitTimeout};
  EXPECT_FALSE(flash::RestartBoard(f.link));
  // A piece that does not fit into the device's report is not sent cut short.
  const uint8_t data[9] = {};
  const size_t before = f.hid.writes.size();
  EXPECT_TRUE(flash::SendFlashCommand(f.link, flash::kWritePiece, data, 0, 8));
  EXPECT_FALSE(flash::SendFlashCommand(f.link, flash::kWritePiece, data, 0, 9));
  EXPECT_EQ(f.hid.writes.size(), before + 1);
  f.hid.openResults = {kWaitFailed};
  EXPECT_FALSE(flash::EnterProgramming(f.link));
  EXPECT_EQ(f.hid.writes.size(), before + 1);
  EXPECT_EQ(f.hid.enumerations, 0);  // only the memory read re-detects
}

TEST(FlashCommands, ReadIsChunkedAt120Bytes) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("M1"));
  ServeMemory(f.hid);
  std::vector<uint8_t> dest(300);
  ASSERT_TRUE(flash::ReadBoardMemory(f.link, 0xE0000, 300, dest.data()));
  ASSERT_EQ(f.hid.writes.size(), 3u);
  const uint32_t counts[] = {120, 120, 60};
  for (size_t k = 0; k < 3; ++k) {
    const auto& w = f.hid.writes[k].bytes;
    EXPECT_EQ(w[3], 0xD0);
    EXPECT_EQ(w[4], 0);
    EXPECT_EQ(Le32(w, 5), 0xE0000 + 120 * k);
    EXPECT_EQ(Le32(w, 9), counts[k]);
  }
  for (uint32_t k = 0; k < 300; ++k) ASSERT_EQ(dest[k], MemoryAt(0xE0000 + k)) << k;
  // The device stays open over all chunks.
  EXPECT_EQ(f.hid.CountCalls("open board:0"), 1u);
  EXPECT_EQ(f.hid.openHandles, 0);
}

TEST(FlashCommands, ReadFailuresKeepEarlierChunksAndZeroTheFailedOne) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("M1"));
  ServeMemory(f.hid);
  std::vector<uint8_t> good(120);
  for (uint32_t k = 0; k < 120; ++k) good[k] = MemoryAt(0x100 + k);
  f.hid.strings[240] = {{0, good}, {kWaitFailed, {1, 2, 3}}};
  std::vector<uint8_t> dest(300, 0xEE);
  EXPECT_FALSE(flash::ReadBoardMemory(f.link, 0x100, 300, dest.data()));
  EXPECT_EQ(f.hid.writes.size(), 2u);
  EXPECT_EQ(dest[119], MemoryAt(0x100 + 119));
  EXPECT_EQ(dest[120], 1);  // what the failed fetch placed
  EXPECT_EQ(dest[123], 0);
  EXPECT_EQ(dest[239], 0);
  EXPECT_EQ(dest[240], 0xEE);

  // A read-back shorter than the chunk is not taken as the chunk.
  f.hid.strings[240] = {{0, std::vector<uint8_t>(50, 9)}};
  EXPECT_FALSE(flash::ReadBoardMemory(f.link, 0x100, 60, dest.data()));
  EXPECT_EQ(dest[49], 9);
  EXPECT_EQ(dest[50], 0);
}

TEST(FlashCommands, ReadOpensOrReDetectsOnce) {
  LinkFixture f;
  f.hid.AddBoard("board:0", "M1");
  ServeMemory(f.hid);
  EXPECT_TRUE(flash::ReadBoardMemory(f.link, 0, 0, nullptr));  // detects, opens, sends nothing
  EXPECT_EQ(f.hid.enumerations, 1);
  EXPECT_TRUE(f.hid.writes.empty());

  f.hid.devices.clear();
  uint8_t b = 0;
  EXPECT_FALSE(flash::ReadBoardMemory(f.link, 0, 1, &b));
  EXPECT_EQ(f.hid.enumerations, 2);
  EXPECT_TRUE(f.hid.writes.empty());
}

TEST(FlashCommands, WriteGoesThroughStagingInPaddedPiecesAndCommits) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("M1"));
  std::vector<uint8_t> src(70);
  std::iota(src.begin(), src.end(), uint8_t{1});
  ASSERT_TRUE(flash::WriteBoardMemory(f.link, 0xE0000, 70, src.data()));
  ASSERT_EQ(f.hid.writes.size(), 11u);
  for (size_t k = 0; k < 8; ++k) {
    const auto& w = f.hid.writes[k].bytes;
    EXPECT_EQ(w[3], 0x91);
    EXPECT_EQ(w[4], 8);
    EXPECT_EQ(Le32(w, 5), 0xED200 + 8 * k);
    EXPECT_EQ(w[9], src[8 * k]);
    EXPECT_EQ(w[16], src[8 * k + 7]);
  }
  EXPECT_EQ(f.hid.writes[8].bytes[3], 0xA1);
  EXPECT_EQ(Le32(f.hid.writes[8].bytes, 5), 0xE0000u);
  EXPECT_EQ(Le32(f.hid.writes[8].bytes, 9), 64u);
  const auto& tail = f.hid.writes[9].bytes;
  EXPECT_EQ(Le32(tail, 5), 0xED200u);
  EXPECT_EQ((std::vector<uint8_t>(tail.begin() + 9, tail.begin() + 17)),
            (std::vector<uint8_t>{65, 66, 67, 68, 69, 70, 0, 0}));
  EXPECT_EQ(Le32(f.hid.writes[10].bytes, 5), 0xE0040u);
  EXPECT_EQ(Le32(f.hid.writes[10].bytes, 9), 6u);

  f.hid.writes.clear();
  EXPECT_TRUE(flash::WriteBoardMemory(f.link, 0xE0000, 0, nullptr));
  EXPECT_TRUE(f.hid.writes.empty());

  LinkFixture r;
  ASSERT_TRUE(r.Attach("R1"));
  ASSERT_TRUE(flash::WriteBoardMemory(r.link, 0x8003F000, 8, src.data()));
  EXPECT_EQ(Le32(r.hid.writes[0].bytes, 5), 0x5000u);
}

TEST(FlashCommands, WriteFailureRules) {
  // A failed piece ends the block's pieces but its commit still goes out; the
  // write goes on and fails at the end.
  LinkFixture piece;
  ASSERT_TRUE(piece.Attach("M1"));
  std::vector<uint8_t> src(128, 0x5A);
  piece.hid.writeResults = {0, kWaitTimeout};
  EXPECT_FALSE(flash::WriteBoardMemory(piece.link, 0xE0000, 128, src.data()));
  ASSERT_EQ(piece.hid.writes.size(), 2u + 1 + 8 + 1);
  EXPECT_EQ(piece.hid.writes[2].bytes[3], 0xA1);

  // A failed commit ends the write at once.
  LinkFixture commit;
  ASSERT_TRUE(commit.Attach("M1"));
  commit.hid.writeResults = {0, 0, 0, 0, 0, 0, 0, 0, kWaitFailed};
  EXPECT_FALSE(flash::WriteBoardMemory(commit.link, 0xE0000, 128, src.data()));
  EXPECT_EQ(commit.hid.writes.size(), 9u);
}

TEST(FlashCommands, SendTwiceDoublesReportsAndFetches) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W12345678901"));
  ASSERT_TRUE(f.link.SendTwice());
  ServeMemory(f.hid);
  f.hid.writeResults = {kWaitTimeout, 0};  // the second write's result counts
  EXPECT_TRUE(flash::EraseFlashSector(f.link, 0xE0000));
  EXPECT_EQ(f.hid.writes.size(), 2u);
  EXPECT_EQ(f.hid.writes[0].bytes, f.hid.writes[1].bytes);

  f.hid.writes.clear();
  f.hid.strings[240] = {{kWaitFailed, {}}};  // first fetch fails, second counts
  std::vector<uint8_t> dest(130);
  EXPECT_TRUE(flash::ReadBoardMemory(f.link, 0x10, 130, dest.data()));
  EXPECT_EQ(f.hid.writes.size(), 4u);
  EXPECT_EQ(f.hid.CountCalls("string 240"), 4u);
  EXPECT_EQ(dest[129], MemoryAt(0x10 + 129));
}

TEST(FlashCommands, ByteAccessAndBitSet) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("M1"));
  ServeMemory(f.hid);
  uint8_t v = 0;
  ASSERT_TRUE(flash::ReadBoardByte(f.link, 0x40, &v));
  EXPECT_EQ(v, MemoryAt(0x40));
  EXPECT_EQ(Le32(f.hid.LastWrite(), 9), 2u);

  ASSERT_TRUE(flash::SetBoardByteBits(f.link, 0x40, 0x81));
  EXPECT_EQ(f.hid.LastWrite()[3], 0x91);
  EXPECT_EQ(f.hid.LastWrite()[4], 1);
  EXPECT_EQ(f.hid.LastWrite()[9], MemoryAt(0x40) | 0x81);

  // Without the current value nothing is written back.
  f.hid.strings[240] = {{kWaitFailed, {}}};
  const size_t before = f.hid.writes.size();
  EXPECT_FALSE(flash::SetBoardByteBits(f.link, 0x40, 0x01));
  EXPECT_EQ(f.hid.writes.size(), before + 1);  // the read request only
}

TEST(BoardAddresses, ByVariant) {
  LinkFixture r, w, a;
  ASSERT_TRUE(r.Attach("R1"));
  ASSERT_TRUE(w.Attach("W1"));
  ASSERT_TRUE(a.Attach("A1"));
  // Outside the application region update A/B boards are reached at the
  // standard board's addresses.
  EXPECT_EQ(flash::StagingAddress(a.link.Identity()), 0xED200u);
  EXPECT_EQ(flash::InfoBlockAddress(a.link.Identity()), 0xE0000u);
  EXPECT_EQ(flash::StagingAddress(r.link.Identity()), 0x5000u);
  EXPECT_EQ(flash::InfoBlockAddress(r.link.Identity()), 0x8003F000u);
  EXPECT_EQ(flash::VersionAreaAddress(r.link.Identity()), 0x80007000u);
  EXPECT_EQ(flash::StagingAddress(w.link.Identity()), 0xED200u);
  EXPECT_EQ(flash::InfoBlockAddress(w.link.Identity()), 0xE0000u);
  EXPECT_EQ(flash::VersionAreaAddress(w.link.Identity()), 0x2800u);
}

}  // namespace
