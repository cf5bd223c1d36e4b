#include "flash/bootloader_update.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "flash/flash_commands.h"
#include "flash/info_block_update.h"
#include "flash/markers.h"
#include "flash/region_program.h"
#include "flash/region_update.h"

namespace vt::flash {

namespace {

constexpr size_t kIdentityTextOffset = 6;  // marker, descriptor length and type

// Record character k of an identity record; writes that would fall outside
// the image are dropped.
class IdentityRecord {
 public:
  IdentityRecord(std::span<uint8_t> image, size_t marker) : image_(image), marker_(marker) {}
  void Set(size_t k, uint8_t c) {
    const size_t at = marker_ + kIdentityTextOffset + 2 * k;
    if (at < image_.size()) image_[at] = c;
  }
  void SetUnit(size_t k, uint8_t lo, uint8_t hi) {
    Set(k, lo);
    const size_t at = marker_ + kIdentityTextOffset + 2 * k + 1;
    if (at < image_.size()) image_[at] = hi;
  }
  void SetText(size_t k, const char* text) {
    for (; *text != '\0'; ++k, ++text) Set(k, static_cast<uint8_t>(*text));
  }
  void SetDigits(size_t k, uint8_t value) {
    Set(k, static_cast<uint8_t>('0' + value / 10 % 10));
    Set(k + 1, static_cast<uint8_t>('0' + value % 10));
  }

 private:
  std::span<uint8_t> image_;
  size_t marker_;
};

bool IsUnsetRevision(uint8_t c) { return c == 0x7F || c == '_' || c == 0; }

uint8_t ByteAt(std::span<const uint8_t> image, size_t pos) {
  return pos < image.size() ? image[pos] : 0;
}

void RewriteForR(IdentityRecord& rec, std::span<const uint8_t> image,
                 std::optional<size_t> version, const devlink::BoardIdentity& b,
                 uint16_t options, uint8_t overrideLetter) {
  rec.Set(0, b.SerialChar(0));
  rec.Set(1, b.SerialChar(1));
  if (options & kOptLetterOverride) rec.Set(1, overrideLetter);
  for (size_t k = 2; k <= 9; ++k) rec.SetUnit(k, b.serial[2 * k], b.serial[2 * k + 1]);
  if (!IsUnsetRevision(b.SerialChar(13))) {
    rec.Set(13, b.SerialChar(13));
    rec.Set(14, b.SerialChar(14));
  } else {
    rec.SetText(13, "0400");
  }
  if (b.SerialChar(15) == 0x7F) rec.SetText(15, "00");
  // Characters 13 and 14 come from the byte at marker + 2, which is part of
  // the marker itself (0x27, so "39"); the R bootloader takes them as its
  // revision digits.
  if (version) {
    rec.SetDigits(13, ByteAt(image, *version + 2));
    rec.SetDigits(15, ByteAt(image, *version + 4));
  } else {
    rec.SetText(13, "20");
    rec.SetText(15, "00");
  }
}

void RewriteForOthers(IdentityRecord& rec, std::span<const uint8_t> image,
                      std::optional<size_t> version, devlink::BoardIdentity& b,
                      uint16_t options) {
  const uint8_t c0 = b.SerialChar(0);
  const uint8_t c1 = b.SerialChar(1);
  rec.Set(0, c0);
  if (c0 == 'W' && (c1 == 0x7F || c1 == '0' || c1 == '7' || b.SerialChar(12) == '0')) {
    rec.Set(0, 'V');
    rec.Set(1, 'V');
  }
  rec.Set(1, c1 == 0x7F ? (c0 == 'V' ? 'V' : 'W') : c1);
  if (b.SerialChar(6) == '-' || c0 == 'O') {
    if (c0 != 'X') rec.Set(0, 'M');
    rec.Set(1, 'W');
    rec.Set(5, '-');
    rec.Set(10, '-');
    b.SetSerialChar(2, '_');
    b.SetSerialChar(13, '_');
  }
  if (options & kOptLetterOverride) {
    rec.Set(0, 'N');
    rec.Set(1, 'W');
  }
  for (size_t k = 2; k <= 9; ++k) rec.Set(k, b.SerialChar(k));
  if (!IsUnsetRevision(b.SerialChar(13))) {
    rec.Set(13, b.SerialChar(13));
    rec.Set(14, b.SerialChar(14));
  } else {
    rec.SetText(13, "0301");
  }
  if (b.SerialChar(15) == 0x7F) rec.SetText(15, "06");
  if (version) rec.SetDigits(15, ByteAt(image, *version + 4));
  rec.Set(1, 'V');
}

}  // namespace

void RewriteIdentityRecord(std::span<uint8_t> working, size_t imageSize, size_t identityMarker,
                           devlink::BoardIdentity& board, uint16_t options,
                           uint8_t overrideLetter) {
  IdentityRecord rec(working, identityMarker);
  const auto image = std::span<const uint8_t>(working);
  const auto version = FindMarker(image, 0, imageSize, kVersionMarker);
  if (board.IsVariantR()) {
    RewriteForR(rec, image, version, board, options, overrideLetter);
  } else {
    RewriteForOthers(rec, image, version, board, options);
  }
}

bool ProgramBootloaderRegion(UpdateContext& ctx, std::span<const uint8_t> working) {
  auto& link = ctx.link;
  const auto& id = link.Identity();
  const bool r = id.IsVariantR();
  const size_t window = r ? 262144 : 131072;
  const size_t regionStart = r ? 0x2000 : 0;
  auto end = FindMarker(working, regionStart, window, kBootEndMarker);
  if (!end) return FailStep(ctx, UpdateStep::kCheck, "no bootloader end marker in the image");
  const size_t regionEnd = *end + kMarkerBytes;
  const uint16_t checksum = RegionChecksum(working, regionStart, regionEnd, r);
  const size_t bytes = regionEnd - regionStart + 2;
  const uint32_t block = r ? 256 : 64;
  const InfoBlockPlan info = InfoPlanFor(VariantOf(id), false);

  // The info block is copied before programming mode is entered, and the
  // checksum is recorded in that copy.
  auto blockData = BackUpInfoBlock(ctx, info, true);
  if (!blockData) return false;

  char text[48];
  std::snprintf(text, sizeof text, "Updating %d bytes", static_cast<int>(bytes));
  ctx.ui.ProgressBegin("USB Flash Upgrade", text, static_cast<int>(bytes / block) - 1);

  bool ok = EnterProgramming(link) ||
            FailStep(ctx, UpdateStep::kProgram, "the board did not take programming mode");
  link.GetClock().SleepMs(1500);
  if (ok) {
    RegionPlan plan{working, regionStart, bytes,        r ? 0x80038000u : 0x20000u,
                    block,   r ? 32u : 8u, info.staging, r ? 512u : 1024u, false};
    ok = ProgramRegionBlocks(ctx, plan, text);
  }
  if (ok) {
    auto& b = *blockData;
    b[0] = 1;
    b[1] = 0;
    auto payload = FindRecordPayload(b, 12, 2);
    if (!payload) {
      // Append tag 12 in the first free slot, followed by a new chain end.
      auto slot = FindRecordPayload(b, 0xFFFF, 4);
      if (slot && *slot >= 4) {
        b[*slot - 4] = 12;
        b[*slot - 3] = 0;
        b[*slot - 2] = 6;
        b[*slot - 1] = 0;
        b[*slot + 2] = 0xFF;
        b[*slot + 3] = 0xFF;
        payload = slot;
      }
    }
    if (payload) {
      b[*payload] = static_cast<uint8_t>(checksum & 0xFF);
      b[*payload + 1] = static_cast<uint8_t>(checksum >> 8);
      ok = RewriteInfoBlock(ctx, info, b);
    }
  }
  const bool left = LeaveProgramming(link) ||
                    FailStep(ctx, UpdateStep::kRestartBoard, "the board did not leave programming mode");
  ok = ok && left;
  if (left) {
    ctx.ui.ProgressText("Restarting microcontroller");
    ctx.ui.SetStatus("Restarting...");
    // The switch restarts the board into the new bootloader, which drops it
    // off the bus: the reply may never come.
    if (!r && (id.SerialChar(0) == 'V' || id.SerialChar(1) == 0x7F)) PostUpdateSwitch(link);
    link.GetClock().SleepMs(500);
  }
  ctx.ui.ProgressEnd();
  return ok;
}

std::optional<bool> UpdateBootloader(UpdateContext& ctx, LoadedImage& image, uint16_t options,
                                     uint8_t overrideLetter) {
  auto& board = ctx.link.MutableIdentity();
  const size_t size = std::min(image.size, image.working.size());
  auto identity = FindMarker(image.working, 0, size, kIdentityMarker);
  if (!identity) return std::nullopt;
  const bool skipQuestion = board.IsVariantR() && (options & kOptNoAskR) != 0;
  if (!skipQuestion &&
      !ctx.ui.Ask("Old bootloader code detected!\n\nAre you ready to update?", "Bootloader Update")) {
    return FailStep(ctx, UpdateStep::kQuestion, "the bootloader update was declined");
  }
  RewriteIdentityRecord(image.working, size, *identity, board, options, overrideLetter);
  return ProgramBootloaderRegion(ctx, image.working);
}

}  // namespace vt::flash
