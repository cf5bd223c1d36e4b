#include "flash/info_block_update.h"

#include <algorithm>
#include <cstdio>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "flash/info_block.h"

namespace vt::flash {

namespace {

constexpr uint32_t kInfoPieceBytes = 8;
constexpr uint32_t kInfoCommitBytes = 256;

bool WriteInfoBlockData(devlink::BoardLink& link, const InfoBlockPlan& plan,
                        std::span<const uint8_t> block, UpdateContext& ctx) {
  // The whole block is rewritten, so the whole block is erased first.
  for (uint32_t off = 0; off < kInfoBlockSize; off += plan.eraseStep) {
    if (!EraseFlashSector(link, plan.address + off)) {
      return FailAt(ctx, UpdateStep::kEraseFlash, plan.address + off, "erasing the info block");
    }
  }
  if (plan.rewrite == InfoRewrite::kEightByteCommits) {
    bool ok = true;
    for (uint32_t off = 0; off < kInfoBlockSize; off += kInfoPieceBytes) {
      if (!SendFlashCommand(link, kWritePiece, block.data() + off, plan.staging, kInfoPieceBytes)) {
        ok = FailAt(ctx, UpdateStep::kInfoBlock, plan.address + off, "a write piece failed");
      }
      if (!SendFlashCommand(link, kCommit, nullptr, plan.address + off, kInfoPieceBytes)) {
        return FailAt(ctx, UpdateStep::kInfoBlock, plan.address + off, "the commit failed");
      }
    }
    return ok;
  }
  // Staging holds 256 bytes per commit, so the block goes in eight rounds.
  bool ok = true;
  for (uint32_t base = 0; base < kInfoBlockSize; base += kInfoCommitBytes) {
    for (uint32_t off = 0; off < kInfoCommitBytes; off += kInfoPieceBytes) {
      if (!SendFlashCommand(link, kWritePiece, block.data() + base + off, plan.staging + off,
                            kInfoPieceBytes)) {
        ok = FailAt(ctx, UpdateStep::kInfoBlock, plan.address + base, "a write piece failed");
        break;
      }
    }
    if (!SendFlashCommand(link, kCommit, nullptr, plan.address + base, kInfoCommitBytes)) {
      return FailAt(ctx, UpdateStep::kInfoBlock, plan.address + base, "the commit failed");
    }
  }
  return ok;
}

}  // namespace

InfoBlockPlan InfoPlanFor(BoardVariant variant, bool application) {
  switch (variant) {
    case BoardVariant::kR:
      return {0x8003F000, 0x5000, 512, true,
              application ? InfoRewrite::kBlockCommits : InfoRewrite::kEightByteCommits};
    case BoardVariant::kAB:
      // The A/B firmware answers at the standard board's addresses as well;
      // only its application region update uses the block in its own 4 KiB
      // sector and its own RAM.
      if (application) return {0x38000, 0x40004200, 4096, true, InfoRewrite::kBlockCommits};
      return {0xE0000, 0xED200, 512, false, InfoRewrite::kEightByteCommits};
    default:
      return {0xE0000, 0xED200, 512, false, InfoRewrite::kEightByteCommits};
  }
}

bool ReadInfoBlock(devlink::BoardLink& link, const InfoBlockPlan& plan,
                   std::vector<uint8_t>* block) {
  block->assign(kInfoBlockSize, plan.prefillFF ? 0xFF : 0x00);
  return ReadBoardMemory(link, plan.address, kInfoBlockSize, block->data());
}

std::optional<std::vector<uint8_t>> BackUpInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan,
                                                    bool refuseDamaged) {
  std::vector<uint8_t> first;
  std::vector<uint8_t> second;
  if (!ReadInfoBlock(ctx.link, plan, &first) || !ReadInfoBlock(ctx.link, plan, &second)) {
    FailAt(ctx, UpdateStep::kBackup, plan.address, "the info block could not be read");
    return std::nullopt;
  }
  if (first != second) {
    FailAt(ctx, UpdateStep::kBackup, plan.address, "two reads of the info block differ");
    return std::nullopt;
  }
  if (refuseDamaged) {
    const std::string damage = InfoBlockDamage(first);
    if (!damage.empty()) {
      ctx.infoBlockDamaged = true;
      FailAt(ctx, UpdateStep::kCheck, plan.address,
             "the info block on the board is damaged (" + damage +
                 "); put a backup of it back first (velotrack profiles restore FILE), or clear it");
      return std::nullopt;
    }
  }
  if (ctx.backup) {
    if (!ctx.backup(ctx.link.Identity(), first)) {
      FailAt(ctx, UpdateStep::kBackup, plan.address, "the info block could not be saved");
      return std::nullopt;
    }
    ctx.backupTaken = true;
  }
  return first;
}

bool VerifyBoardBytes(devlink::BoardLink& link, uint32_t address, std::span<const uint8_t> expected,
                      uint32_t* failedAt, std::string* detail) {
  std::vector<uint8_t> back(expected.size());
  bool readOnce = false;
  std::vector<uint8_t> seen;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::fill(back.begin(), back.end(), 0);
    if (!ReadBoardMemory(link, address, static_cast<uint32_t>(back.size()), back.data())) continue;
    if (std::equal(back.begin(), back.end(), expected.begin())) return true;
    readOnce = true;
    seen = back;
  }
  *failedAt = address;
  if (!readOnce) {
    *detail = "could not be read back";
    return false;
  }
  size_t count = 0;
  size_t first = 0;
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i] == expected[i]) continue;
    if (count++ == 0) first = i;
  }
  *failedAt = static_cast<uint32_t>(address + first);
  *detail = std::to_string(count) + " of " + std::to_string(seen.size()) +
            " bytes read back differ from what was written";
  return false;
}

bool RewriteInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan, std::span<const uint8_t> block) {
  if (block.size() != kInfoBlockSize) return FailStep(ctx, UpdateStep::kInfoBlock, "not 2048 bytes");
  if (!WriteInfoBlockData(ctx.link, plan, block, ctx)) return false;
  uint32_t at = 0;
  std::string detail;
  if (!VerifyBoardBytes(ctx.link, plan.address, block, &at, &detail)) {
    return FailAt(ctx, UpdateStep::kVerify, at, "the info block " + detail);
  }
  return true;
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
