#include "flash/region_program.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"

namespace vt::flash {

namespace {

constexpr uint32_t kInfoEraseStep = 512;  // covers the block on every board's sector size
constexpr uint32_t kInfoPieceBytes = 8;
constexpr uint32_t kInfoCommitBytes = 256;

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
      if (!EraseFlashSector(link, address)) return false;
    }
    for (uint32_t offset = 0; offset < plan.blockBytes; offset += plan.pieceBytes) {
      for (uint32_t i = 0; i < plan.pieceBytes; ++i) {
        piece[i] = ByteAt(plan.image, position + offset + i);
      }
      if (!SendFlashCommand(link, kWritePiece, piece.data(), plan.staging + offset,
                            plan.pieceBytes)) {
        ok = false;
        break;  // the commit is still sent
      }
    }
    if (!SendFlashCommand(link, kCommit, nullptr, address, plan.blockBytes)) return false;
    address += plan.blockBytes;
    position += plan.blockBytes;
    remaining -= plan.blockBytes;
    ctx.ui.ProgressStep();
  }
  return ok;
}

bool ReadInfoBlock(devlink::BoardLink& link, const InfoBlockPlan& plan,
                   std::vector<uint8_t>* block) {
  block->assign(kInfoBlockSize, plan.prefillFF ? 0xFF : 0x00);
  return ReadBoardMemory(link, plan.address, kInfoBlockSize, block->data());
}

bool RewriteInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan,
                      std::span<const uint8_t> original, std::span<const uint8_t> block) {
  auto& link = ctx.link;
  if (block.size() != kInfoBlockSize) return false;
  if (ctx.backup && !ctx.backup(link.Identity(), original)) return false;
  // The whole block is rewritten, so the whole block is erased first.
  for (uint32_t off = 0; off < kInfoBlockSize; off += kInfoEraseStep) {
    if (!EraseFlashSector(link, plan.address + off)) return false;
  }
  bool ok = true;
  if (plan.rewrite == InfoRewrite::kEightByteCommits) {
    for (uint32_t off = 0; off < kInfoBlockSize; off += kInfoPieceBytes) {
      ok = SendFlashCommand(link, kWritePiece, block.data() + off, plan.staging, kInfoPieceBytes) &&
           ok;
      if (!SendFlashCommand(link, kCommit, nullptr, plan.address + off, kInfoPieceBytes)) {
        return false;
      }
    }
    return ok;
  }
  // Staging holds 256 bytes per commit, so the block goes in eight rounds.
  for (uint32_t base = 0; base < kInfoBlockSize; base += kInfoCommitBytes) {
    for (uint32_t off = 0; off < kInfoCommitBytes; off += kInfoPieceBytes) {
      if (!SendFlashCommand(link, kWritePiece, block.data() + base + off, plan.staging + off,
                            kInfoPieceBytes)) {
        ok = false;
        break;
      }
    }
    if (!SendFlashCommand(link, kCommit, nullptr, plan.address + base, kInfoCommitBytes)) {
      return false;
    }
  }
  return ok;
}

std::optional<size_t> FindRecordPayload(std::span<const uint8_t> block, uint16_t tag,
                                        size_t payloadBytes) {
  InfoRecordWalk walk{block, tag, 0, std::nullopt};
  auto payload = FindInfoRecord(walk, kInfoBlockSize);
  if (!payload || *payload > block.size() || block.size() - *payload < payloadBytes) {
    return std::nullopt;
  }
  return payload;
}

}  // namespace vt::flash
