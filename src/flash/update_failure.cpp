#include <cstdio>

#include "flash/update_context.h"

namespace vt::flash {

const char* UpdateStepName(UpdateStep step) {
  switch (step) {
    case UpdateStep::kNone: return "none";
    case UpdateStep::kOpen: return "open";
    case UpdateStep::kCheck: return "check";
    case UpdateStep::kQuestion: return "question";
    case UpdateStep::kBackup: return "backup";
    case UpdateStep::kEraseFlash: return "erase";
    case UpdateStep::kProgram: return "program";
    case UpdateStep::kVerify: return "verify";
    case UpdateStep::kInfoBlock: return "info block";
    case UpdateStep::kRestartBoard: return "restart";
  }
  return "?";
}

std::string DescribeUpdateFailure(const UpdateFailure& failure, const std::string& backupPath) {
  std::string text = UpdateStepName(failure.step);
  if (failure.address) {
    char at[24];
    std::snprintf(at, sizeof at, " at 0x%X", static_cast<unsigned>(*failure.address));
    text += at;
  }
  text += " failed";
  if (!failure.detail.empty()) text += ": " + failure.detail;
  if (!backupPath.empty()) {
    text += "; the info block as it was is saved in " + backupPath +
            " (velotrack profiles restore " + backupPath + " --yes puts it back)";
  } else if (failure.step >= UpdateStep::kEraseFlash) {
    text += "; no info block backup was taken";
  }
  return text;
}

}  // namespace vt::flash
