#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "devlink/board_link.h"
#include "flash/stored_image.h"
#include "flash/update_ui.h"

namespace vt::flash {

// Keeps a copy of the info block before the panel erases it. Returns false
// when the copy could not be kept; the operation then stops before erasing.
using InfoBlockBackup =
    std::function<bool(const devlink::BoardIdentity& board, std::span<const uint8_t> block)>;

// Everything an update needs besides its request: the board, the user, the
// info-block backup store (empty: no copy is kept) and the built-in images.
struct UpdateContext {
  devlink::BoardLink& link;
  UpdateUi& ui;
  InfoBlockBackup backup;
  ResourceLookup resources = &BuiltInResource;
};

}  // namespace vt::flash
