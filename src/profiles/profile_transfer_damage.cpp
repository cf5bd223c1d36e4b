// What the transfer does with a settings block that must not be built upon:
// erased (no settings at all) or damaged (what an interrupted erase or
// program leaves). Such a block is never written over by a profile write;
// the user is told what is wrong and which backup puts it right.
#include <cctype>

#include "profiles/profile_image.h"
#include "profiles/profile_transfer.h"

namespace vt::profiles {
namespace {

constexpr const char* kWriteErrorTitle = "Write Error";
constexpr const char* kReadErrorTitle = "Read Error";
constexpr const char* kNothingWritten = "\n\nNothing was written to Velotrack.";

}  // namespace

std::string ProfileTransfer::Advice() const {
  std::string advice = RestoreAdvice(backupRoot_, link_.Identity().SerialText());
  if (!advice.empty()) advice[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(advice[0])));
  return advice;
}

void ProfileTransfer::TellDamagedRead(const std::string& damage) {
  Tell("The settings block on Velotrack is damaged: " + damage +
           ".\nIts profiles are not loaded and nothing may be written over it.\n\n" + Advice(),
       kReadErrorTitle);
}

bool ProfileTransfer::BlockWritable(const InfoBlockBytes& block, bool clear) {
  const flash::InfoBlockCheck check = flash::CheckInfoBlock(block);
  lastCondition_ = check.condition;
  std::string why;
  if (check.condition == flash::BlockCondition::kErased) {
    why = clear ? "The settings block on Velotrack is already erased: there is nothing to clear."
                : "No data: the settings block on Velotrack is erased (all 2048 bytes), as Total Clear or an "
                  "interrupted update leaves it; profiles cannot be written into it.";
  } else if (check.condition == flash::BlockCondition::kDamaged && (!clear || !InfoBlockValid(block))) {
    // Total Clear erases whatever a valid block holds; a write would keep
    // the damage and lose what is missing for good.
    why = "The settings block on Velotrack is damaged: " + check.damage + ".";
  } else {
    InfoBlockBytes trial = block;
    switch (PrepareProfileRecord(trial).result) {
      case PrepareResult::kReady:
        return true;
      case PrepareResult::kNoRoom:
      case PrepareResult::kDamaged:
        if (clear) return true;
        why = "The settings block on Velotrack has no room for the profile record.";
        break;
      case PrepareResult::kNotValid:
        why = "The settings block on Velotrack is not valid (its first word is not 1).";
        break;
      case PrepareResult::kNoFreeSlot:
        why = "The record chain of the settings block on Velotrack has no free place for the profile record.";
        break;
    }
  }
  refused_ = true;
  failedBefore_ = why + kNothingWritten;
  Tell(why + kNothingWritten + "\n\n" + Advice(), kWriteErrorTitle);
  return false;
}

}  // namespace vt::profiles
