// What a failed profile transfer says about where it stopped: one line per
// step, with the board address where the step has one, behind the status
// text "Velotrack I/O Error" in the command line's messages.
#include <cstdio>

#include "profiles/profile_transfer.h"

namespace vt::profiles {

std::string HexAddress(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(address));
  return text;
}

std::string PrepareFailureText(PrepareResult result) {
  switch (result) {
    case PrepareResult::kReady: return {};
    case PrepareResult::kNotValid: return "the info block is not valid (its first word is not 1); nothing was written";
    case PrepareResult::kNoFreeSlot: return "the info block's record chain has no free slot; nothing was written";
    case PrepareResult::kNoRoom:
      return "the profile record does not fit behind the info block's records; nothing was written";
    case PrepareResult::kDamaged:
      return "the info block's profile record or record chain is damaged; nothing was written";
  }
  return {};
}

std::string ProfileTransfer::FailedStepText() const {
  const std::string at = HexAddress(failedAddress_);
  switch (failedStep_) {
    case ProgramStep::kNone: return failedBefore_;
    case ProgramStep::kEnter: return "entering programming mode failed; nothing was erased";
    case ProgramStep::kErase: return "erasing the info block at " + at + " failed";
    case ProgramStep::kWrite: return "programming the info block at " + at + " failed";
    case ProgramStep::kVerify:
      return "verifying the info block at " + at + " failed" + (verifyDetail_.empty() ? "" : ": " + verifyDetail_);
    case ProgramStep::kLeave: return "leaving programming mode failed (the block is written and verified)";
    case ProgramStep::kRestart: return "restarting the board failed (the block is written and verified)";
  }
  return failedBefore_;
}

}  // namespace vt::profiles
