#pragma once

#include <cstdint>

#include "devlink/board_identity.h"

namespace vt::flash {

// Size of the settings block shared by the board and the panel.
inline constexpr uint32_t kInfoBlockSize = 2048;

// Board addresses by variant: R-boards and any other board. A/B-boards
// answer at the standard board's addresses too; only their application
// region update uses their own (see InfoPlanFor and the region update).
uint32_t StagingAddress(const devlink::BoardIdentity& id);      // RAM staging buffer of flash writes
uint32_t InfoBlockAddress(const devlink::BoardIdentity& id);    // the info block
uint32_t VersionAreaAddress(const devlink::BoardIdentity& id);  // firmware version area

}  // namespace vt::flash
