#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "devlink/board_link.h"
#include "flash/stored_image.h"
#include "flash/update_ui.h"

namespace vt::flash {

// Keeps a copy of the info block before the panel erases it. Returns false
// when the copy could not be kept; the operation then stops before erasing.
using InfoBlockBackup =
    std::function<bool(const devlink::BoardIdentity& board, std::span<const uint8_t> block)>;

// The steps of a firmware update, in the order they run.
enum class UpdateStep : uint8_t {
  kNone, kOpen, kCheck, kQuestion, kBackup, kEraseFlash, kProgram, kVerify, kInfoBlock, kRestartBoard
};
const char* UpdateStepName(UpdateStep step);

// The first step of an update that failed, the board address it failed at
// (when it concerns one) and what was found.
struct UpdateFailure {
  UpdateStep step = UpdateStep::kNone;
  std::optional<uint32_t> address;
  std::string detail;
};

// One line for the user: "erase at 0x2800 failed", "verify at 0xE0010
// failed: 3 of 2048 bytes differ", ... With `backupPath` it adds where the
// info block as it was is kept and how to put it back.
std::string DescribeUpdateFailure(const UpdateFailure& failure, const std::string& backupPath);

// Everything an update needs besides its request: the board, the user, the
// info-block backup store (empty: no copy is kept) and the built-in images.
struct UpdateContext {
  devlink::BoardLink& link;
  UpdateUi& ui;
  InfoBlockBackup backup;
  ResourceLookup resources = &BuiltInResource;
  // The first failure of the run; later ones do not overwrite it.
  UpdateFailure failure{};
  // A backup of the info block was kept during this run.
  bool backupTaken = false;
  // The run stopped because the info block on the board is damaged; the
  // caller names the way back (a sound backup to restore).
  bool infoBlockDamaged = false;
};

// Records the failure unless one is recorded already; returns false.
inline bool FailStep(UpdateContext& ctx, UpdateStep step, std::string detail = {}) {
  if (ctx.failure.step == UpdateStep::kNone) ctx.failure = {step, std::nullopt, std::move(detail)};
  return false;
}
inline bool FailAt(UpdateContext& ctx, UpdateStep step, uint32_t address, std::string detail = {}) {
  if (ctx.failure.step == UpdateStep::kNone) ctx.failure = {step, address, std::move(detail)};
  return false;
}

}  // namespace vt::flash
