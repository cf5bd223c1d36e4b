#pragma once

#include <cstdint>
#include <string>

#include "devlink/board_link.h"

namespace vt::devlink {

// An overall deadline on the link for the lifetime of one operation (see
// DeadlineHid). `operation` names it in the time-out message.
class DeadlineScope {
 public:
  DeadlineScope(BoardLink& link, std::string operation, uint32_t budgetMs) : link_(link) {
    link_.Deadlines().Begin(std::move(operation), budgetMs);
  }
  ~DeadlineScope() { link_.Deadlines().End(); }
  DeadlineScope(const DeadlineScope&) = delete;
  DeadlineScope& operator=(const DeadlineScope&) = delete;

 private:
  BoardLink& link_;
};

// Budgets. A profile operation moves one settings block (2 KiB) and some
// commands; a firmware update moves its image once to the board and reads
// it back: a fixed part for entering and leaving programming and restarts,
// and a part per byte. Normal runs take a small fraction of these.
inline constexpr uint32_t kProfileReadBudgetMs = 60'000;
inline constexpr uint32_t kProfileWriteBudgetMs = 180'000;
inline constexpr uint32_t FirmwareBudgetMs(size_t imageBytes) {
  return 180'000 + static_cast<uint32_t>(imageBytes / 1024) * 1'000;
}

}  // namespace vt::devlink
