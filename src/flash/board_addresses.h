#pragma once

#include <cstdint>

#include "devlink/board_identity.h"

namespace vt::flash {

// Size of the settings block shared by the board and the panel.
inline constexpr uint32_t kInfoBlockSize = 2048;

// Board addresses by variant: R-boards, A/B-boards (flash from 0, the info
// block in its own 4 KiB sector at 0x38000, RAM from 0x40000000) and the
// standard board.
uint32_t StagingAddress(const devlink::BoardIdentity& id);      // RAM staging buffer of flash writes
uint32_t InfoBlockAddress(const devlink::BoardIdentity& id);    // the info block
uint32_t VersionAreaAddress(const devlink::BoardIdentity& id);  // firmware version area
// The flash sector size under the info block: erasing the block takes one
// erase per this many bytes.
uint32_t InfoBlockEraseStep(const devlink::BoardIdentity& id);

}  // namespace vt::flash
