#include "flash/region_update.h"

#include <cstdio>
#include <string>
#include <vector>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/markers.h"
#include "flash/region_program.h"

namespace vt::flash {

namespace {

// Constants that set the three variants apart.
struct VariantTable {
  size_t searchWindow;
  size_t regionBefore;  // region start = version marker - this
  bool byteSwapped;
  size_t writeAlign;
  uint32_t blockBytes;
  uint32_t pieceBytes;
  uint32_t staging;
  uint32_t eraseStep;
  InfoBlockPlan info;
};

const VariantTable& TableFor(BoardVariant v) {
  static const VariantTable kR{262144, 20, true, 512, 256, 32, 0x5000, 512,
                               InfoPlanFor(BoardVariant::kR, true)};
  static const VariantTable kAB{131072, 20, false, 4096, 256, 8, 0x40004200, 4096,
                                InfoPlanFor(BoardVariant::kAB, true)};
  static const VariantTable kStandard{131072, 8, false, 1024, 64, 8, 0xED200, 1024,
                                      InfoPlanFor(BoardVariant::kStandard, true)};
  switch (v) {
    case BoardVariant::kR: return kR;
    case BoardVariant::kAB: return kAB;
    default: return kStandard;
  }
}

bool VersionMarkerAccepted(size_t offset, BoardVariant v) {
  switch (v) {
    case BoardVariant::kR: return offset > 0x6000 || (offset >= 20 && offset <= 31);
    case BoardVariant::kAB: return offset > 0x6002;
    default: return offset > 0x2002;
  }
}

uint32_t BoardAddressOf(size_t offset, BoardVariant v) {
  if (v != BoardVariant::kR) return static_cast<uint32_t>(offset);
  return static_cast<uint32_t>(offset < 0x7000 ? offset + 0x80007000u : offset + 0x80000000u);
}

}  // namespace

std::optional<ApplicationRegion> LocateApplicationRegion(std::span<const uint8_t> image,
                                                         size_t imageSize, BoardVariant variant) {
  const auto& t = TableFor(variant);
  auto version = FindMarker(image, 0, t.searchWindow, kVersionMarker);
  auto end = FindMarker(image, 0, t.searchWindow, kAppEndMarker);
  if (!end || !version || !VersionMarkerAccepted(*version, variant)) return std::nullopt;
  ApplicationRegion r;
  r.versionMarker = *version;
  r.endMarker = *end;
  r.start = *version - t.regionBefore;
  r.end = *end + kMarkerBytes;
  if (r.end <= r.start) return std::nullopt;
  r.writeStart = r.start / t.writeAlign * t.writeAlign;
  if (variant == BoardVariant::kStandard) {
    // Standard boards write the image up to its loaded size.
    if (imageSize <= r.writeStart) return std::nullopt;
    r.bytes = imageSize - r.writeStart;
  } else {
    r.bytes = r.end - r.writeStart;
  }
  // A write that stops short of the end marker would leave the board with
  // a region that does not match the checksum recorded for it.
  const size_t blocks = (r.bytes + t.blockBytes - 1) / t.blockBytes;
  if (r.writeStart + blocks * t.blockBytes < r.end) return std::nullopt;
  r.boardAddress = BoardAddressOf(r.writeStart, variant);
  r.checksum = RegionChecksum(image, r.start, r.end, t.byteSwapped);
  return r;
}

bool UpdateApplicationRegion(UpdateContext& ctx, std::span<const uint8_t> image, size_t imageSize,
                             uint16_t options, BoardVariant variant) {
  auto region = LocateApplicationRegion(image, imageSize, variant);
  if (!region) {
    return FailStep(ctx, UpdateStep::kCheck,
                    std::string("no application region for ") + VariantName(variant) + "s");
  }
  const auto& t = TableFor(variant);
  auto& link = ctx.link;

  // The info block is copied before programming mode is entered: a board
  // left with new code and no copy of its old settings is what the copy is
  // for. The checksum is then recorded in that copy, not in a later read.
  auto block = BackUpInfoBlock(ctx, t.info, true);
  if (!block) return false;

  char text[48];
  std::snprintf(text, sizeof text, "Updating %d bytes", static_cast<int>(region->bytes));
  ctx.ui.ProgressBegin("USB Flash Upgrade", text,
                       static_cast<int>(region->bytes / t.blockBytes) - 1);

  bool ok = EnterProgramming(link) ||
            FailStep(ctx, UpdateStep::kProgram, "the board did not take programming mode");
  link.GetClock().SleepMs(1000);
  if (ok) {
    RegionPlan plan{image,        region->writeStart, region->bytes, region->boardAddress,
                    t.blockBytes, t.pieceBytes,       t.staging,     t.eraseStep,
                    variant == BoardVariant::kR};
    ok = ProgramRegionBlocks(ctx, plan, text);
  }
  if (ok) {
    auto& b = *block;
    b[0] = 1;
    b[1] = 0;
    if (auto payload = FindRecordPayload(b, 2, 2)) {
      uint16_t stored = region->checksum;
      if ((options & kOptTrueChecksum) == 0) stored = static_cast<uint16_t>(stored + 1);
      b[*payload] = static_cast<uint8_t>(stored & 0xFF);
      b[*payload + 1] = static_cast<uint8_t>(stored >> 8);
      ok = RewriteInfoBlock(ctx, t.info, b);
    }
  }
  // Programming mode is always left, also after a failure.
  const bool left = LeaveProgramming(link) ||
                    FailStep(ctx, UpdateStep::kRestartBoard, "the board did not leave programming mode");
  ok = ok && left;
  // A board whose new code or checksum did not take is not restarted into it.
  if (ok && (options & kOptRestart) != 0) {
    // The board drops off the bus as it restarts, so the reply to the
    // restart may never come: its result says nothing about the update.
    RestartBoard(link);
    ctx.ui.ProgressText("Restarting microcontroller");
    link.GetClock().SleepMs(500);
  }
  ctx.ui.ProgressEnd();
  return ok;
}

}  // namespace vt::flash
