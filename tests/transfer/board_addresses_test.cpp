// Where every board operation reaches the board, per board kind, taken from
// the flash commands the board saw. A/B-boards are addressed like standard
// boards (info block 0xE0000, staging 0xED200) in everything but the
// application region update, which uses their own flash and RAM (0x38000,
// 0x40004200); R-boards have their own addresses throughout.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "flash/firmware_version.h"
#include "flash/update_entry.h"
#include "tests/firmware/board_fixture.h"
#include "tests/firmware/elf_builder.h"
#include "transfer_fixture.h"

namespace vt::profiles::testing {
namespace {

using platform::MessageAnswer;

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", v);
  return text;
}

// One line per kind of flash command and the area it reached: the info
// block's erases by address, everything else by the area it lies in.
std::set<std::string> Touched(const sim::TrafficLog& log) {
  struct Area {
    uint32_t base, size;
    bool readOnly;
  };
  static const Area kAreas[] = {
      {0xE0000, 0x800, false},    {0x38000, 0x800, false},    {0x8003F000, 0x800, false},
      {0xED200, 0x800, false},    {0x40004200, 0x800, false}, {0x5000, 0x800, false},
      {0x2800, 0xFF, true},       {0x80007000, 0xFF, true},   {0, 0xFF, true}};
  std::set<std::string> out;
  for (const auto& e : log.OfKind(sim::TrafficEntry::Kind::kWrite)) {
    const auto& r = e.bytes;
    if (r.size() < 13 || (r[4] >= 0x24 && r[4] <= 0x27)) continue;  // a command, not flash
    const char* op = r[3] == 0xD0 ? "read" : r[3] == 0x91 ? "piece" : r[3] == 0xA1 ? "commit"
                                         : r[3] == 0xC1 ? "erase" : nullptr;
    if (op == nullptr) continue;
    const uint32_t a = r[5] | r[6] << 8 | r[7] << 16 | static_cast<uint32_t>(r[8]) << 24;
    std::string where = "code";
    for (const auto& area : kAreas) {
      if (a < area.base || a - area.base >= area.size || (area.readOnly && r[3] != 0xD0)) continue;
      where = Hex(area.base);
      if (r[3] == 0xC1) where = Hex(a);
      break;
    }
    out.insert(std::string(op) + " " + where);
  }
  return out;
}

std::set<std::string> Erases(uint32_t block, uint32_t step) {
  std::set<std::string> out;
  for (uint32_t off = 0; off < 2048; off += step) out.insert("erase " + Hex(block + off));
  return out;
}

std::set<std::string> Join(std::set<std::string> a, const std::set<std::string>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

class BoardAddresses : public TransferTest, public ::testing::WithParamInterface<const char*> {
 protected:
  sim::BoardConfig Config() const {
    const std::string kind = GetParam();
    if (kind == "ab") return sim::BoardConfig::VariantAB('A');
    if (kind == "r") return sim::BoardConfig::VariantR();
    return sim::BoardConfig::Standard('M');
  }
  flash::BoardVariant Variant() const {
    const std::string kind = GetParam();
    return kind == "ab" ? flash::BoardVariant::kAB
           : kind == "r" ? flash::BoardVariant::kR
                         : flash::BoardVariant::kStandard;
  }

  void SetUp() override { Attach(Config()); }

  std::set<std::string> Run(const std::function<bool()>& op) {
    Board().Traffic().Clear();
    EXPECT_TRUE(op());
    return Touched(Board().Traffic());
  }

  bool Update(uint16_t options) {
    flash::testing::RecordingUi ui;
    flash::UpdateContext ctx{*link_, ui, [](const devlink::BoardIdentity&, std::span<const uint8_t>) {
                               return true;
                             }};
    const auto image = flash::testing::SmallFirmwareImage(Variant(), 5);
    const bool ok = flash::RunUpdateRequest(ctx, {flash::kSourceMemory, "", image, options, 0});
    EXPECT_TRUE(ok) << flash::DescribeUpdateFailure(ctx.failure, "");
    // A restart re-enumerates the board.
    EXPECT_TRUE(link_->USBDeviceDetect_Win32());
    return ok;
  }
};

TEST_P(BoardAddresses, EachOperationReachesTheBlockWhereTheBoardKindAnswers) {
  const bool r = Variant() == flash::BoardVariant::kR;
  const std::string block = r ? "8003F000" : "E0000";
  const std::string staging = r ? "5000" : "ED200";
  const std::string version = r ? "80007000" : "2800";
  const uint32_t blockAddress = r ? 0x8003F000u : 0xE0000u;
  // The profile transfer erases the block as four 512-byte sectors on every
  // board kind; so do the updates outside the application region.
  const auto write = Join({"read " + block, "piece " + staging, "commit " + block}, Erases(blockAddress, 512));

  // The verdict depends on the built-in image (none fits A/B-boards); the
  // traffic is what counts here.
  EXPECT_EQ(Run([&] {
              flash::CompareFirmwareVersion(*link_);
              return true;
            }),
            (std::set<std::string>{"read 0", "read " + version}));
  EXPECT_EQ(Run([&] { return transfer_->ReadProfilesFromBoard(false); }),
            (std::set<std::string>{"read 0", "read " + version, "read " + block}));
  Answer(MessageAnswer::Yes);
  EXPECT_EQ(Run([&] { return transfer_->WriteProfilesToBoard(WriteMode::kWrite); }), write);
  const auto backup = LoadInfoBlockBackup(transfer_->LastBackup());
  ASSERT_TRUE(backup.block.has_value());
  Answer(MessageAnswer::Yes);
  EXPECT_EQ(Run([&] { return transfer_->WriteProfilesToBoard(WriteMode::kTotalClear); }), write);
  EXPECT_EQ(Run([&] { return transfer_->RestoreInfoBlock(*backup.block); }), write);

  // The application region update rewrites the block at the board kind's
  // own addresses: on A/B-boards one 4 KiB sector at 0x38000 through
  // staging at 0x40004200.
  const bool ab = Variant() == flash::BoardVariant::kAB;
  const std::string appBlock = ab ? "38000" : block;
  const std::string appStaging = ab ? "40004200" : staging;
  // Programmed regions are read back; the small image's application starts
  // in the version area on standard and R-boards.
  auto app = Join({"read " + appBlock, "erase code", "piece " + appStaging, "commit code", "read code",
                   "commit " + appBlock},
                  Erases(ab ? 0x38000u : blockAddress, ab ? 4096u : 512u));
  if (!ab) app.insert("read " + version);
  EXPECT_EQ(Run([&] { return Update(flash::kOptionsUpdateApplication); }), app);
  EXPECT_EQ(Run([&] { return Update(flash::kOptionsBootloaderFromFile); }),
            Join({"read " + block, "erase code", "piece " + staging, "commit code", "read code",
                  "commit " + block},
                 Erases(blockAddress, 512)));
  EXPECT_EQ(Run([&] { return Update(flash::kOptionsClearAndRestart); }),
            Join({"read " + block}, Erases(blockAddress, 512)));
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoardAddresses, ::testing::Values("standard", "ab", "r"),
                         [](const auto& p) { return std::string(p.param); });

}  // namespace
}  // namespace vt::profiles::testing
