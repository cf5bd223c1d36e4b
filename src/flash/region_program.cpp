#include "flash/region_program.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"

namespace vt::flash {

namespace {

uint8_t ByteAt(std::span<const uint8_t> image, size_t pos) {
  return pos < image.size() ? image[pos] : 0;
}

}  // namespace

uint16_t RegionChecksum(std::span<const uint8_t> image, size_t start, size_t end,
                        bool byteSwapped) {
  uint16_t sum = 0;
  for (size_t p = start; p < end; p += 2) {
    const uint8_t first = ByteAt(image, p);
    const uint8_t second = ByteAt(image, p + 1);
    const auto word = byteSwapped ? static_cast<uint16_t>((first << 8) | second)
                                  : static_cast<uint16_t>(first | (second << 8));
    sum = static_cast<uint16_t>(sum + word);
  }
  return sum;
}

bool ProgramRegionBlocks(UpdateContext& ctx, const RegionPlan& plan, const std::string& text) {
  auto& link = ctx.link;
  std::vector<uint8_t> piece(plan.pieceBytes);
  uint32_t address = plan.boardAddress;
  size_t position = plan.writeStart;
  auto remaining = static_cast<int64_t>(plan.bytes);
  uint64_t nextErase = 0;
  bool ok = true;
  while (remaining > 0) {
    ctx.ui.PumpPaintMessages();
    if (address >= nextErase) {
      nextErase = static_cast<uint64_t>(address) + plan.eraseStep;
      if (plan.showEraseAddress) {
        if (link.Log().On()) {
          char line[32];
          std::snprintf(line, sizeof line, "Addr %x", address);
          ctx.ui.ProgressText(line);
        } else {
          ctx.ui.ProgressText(text);
        }
      }
      if (!EraseFlashSector(link, address)) return FailAt(ctx, UpdateStep::kEraseFlash, address);
    }
    for (uint32_t offset = 0; offset < plan.blockBytes; offset += plan.pieceBytes) {
      for (uint32_t i = 0; i < plan.pieceBytes; ++i) {
        piece[i] = ByteAt(plan.image, position + offset + i);
      }
      if (!SendFlashCommand(link, kWritePiece, piece.data(), plan.staging + offset,
                            plan.pieceBytes)) {
        ok = FailAt(ctx, UpdateStep::kProgram, address, "a write piece failed");
        break;  // the commit is still sent
      }
    }
    if (!SendFlashCommand(link, kCommit, nullptr, address, plan.blockBytes)) {
      return FailAt(ctx, UpdateStep::kProgram, address, "the commit failed");
    }
    address += plan.blockBytes;
    position += plan.blockBytes;
    remaining -= plan.blockBytes;
    ctx.ui.ProgressStep();
  }
  if (!ok) return false;
  // Every block as it was sent, bytes past the image included (as zeros).
  std::vector<uint8_t> sent(address - plan.boardAddress);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = ByteAt(plan.image, plan.writeStart + i);
  uint32_t at = 0;
  std::string detail;
  if (!VerifyBoardBytes(link, plan.boardAddress, sent, &at, &detail)) {
    return FailAt(ctx, UpdateStep::kVerify, at, "the programmed region " + detail);
  }
  return true;
}

}  // namespace vt::flash
