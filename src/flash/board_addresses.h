#pragma once

#include <cstdint>

#include "devlink/board_identity.h"

namespace vt::flash {

// Size of the settings block shared by the board and the panel.
inline constexpr uint32_t kInfoBlockSize = 2048;

// Board addresses by variant (R-board or any other).
uint32_t StagingAddress(const devlink::BoardIdentity& id);      // RAM staging buffer of flash writes
uint32_t InfoBlockAddress(const devlink::BoardIdentity& id);    // the info block
uint32_t VersionAreaAddress(const devlink::BoardIdentity& id);  // firmware version area

}  // namespace vt::flash
