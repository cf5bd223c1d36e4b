#pragma once

// The info block as the firmware updates touch it: where it lies on each
// board, the trusted copy taken (and kept as a backup) before anything is
// erased or programmed, the rewrite that records a checksum, and the
// read-back that checks what was programmed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flash/elf_loader.h"
#include "flash/info_block_damage.h"
#include "flash/update_context.h"

namespace vt::flash {

// How the info block is written back after it was erased.
enum class InfoRewrite {
  kEightByteCommits,  // 256 rounds: one 8-byte piece, one 8-byte commit
  kBlockCommits,      // 8 rounds: 32 pieces of 8, one 256-byte commit
};

struct InfoBlockPlan {
  uint32_t address = 0;
  uint32_t staging = 0;
  uint32_t eraseStep = 512;  // sector size under the block
  bool prefillFF = false;    // the read buffer starts as erased flash
  InfoRewrite rewrite = InfoRewrite::kEightByteCommits;
};

// The block as the application region update (true) writes it on a board
// of `variant`, or as every other operation (false) does: the bootloader
// update, the info-block clear.
InfoBlockPlan InfoPlanFor(BoardVariant variant, bool application);

// Reads the 2048-byte block once. False when the read fails.
bool ReadInfoBlock(devlink::BoardLink& link, const InfoBlockPlan& plan,
                   std::vector<uint8_t>* block);

// Reads the block twice and, when both reads agree, hands it to the
// context's backup store. Runs before anything is erased or programmed:
// without a trusted copy kept, nothing on the board may be touched. With
// `refuseDamaged` a damaged block stops the update too, since rewriting it
// would make the damage permanent. Nothing on failure (recorded as the
// backup or check step).
std::optional<std::vector<uint8_t>> BackUpInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan,
                                                    bool refuseDamaged);

// Reads `expected.size()` bytes at `address` and compares; a read that
// fails or disagrees is repeated once. On a mismatch `failedAt` is the
// first board address that differs and `detail` says how much differs.
bool VerifyBoardBytes(devlink::BoardLink& link, uint32_t address, std::span<const uint8_t> expected,
                      uint32_t* failedAt, std::string* detail);

// Erases the whole block, writes `block` and reads it back. False (with
// the failed step recorded) when an erase, a piece, a commit or the check
// fails.
bool RewriteInfoBlock(UpdateContext& ctx, const InfoBlockPlan& plan, std::span<const uint8_t> block);

// Offset of the payload of the record with `tag`, when the payload has room
// for `payloadBytes` inside the block.
std::optional<size_t> FindRecordPayload(std::span<const uint8_t> block, uint16_t tag,
                                        size_t payloadBytes);

}  // namespace vt::flash
