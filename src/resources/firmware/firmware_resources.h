#pragma once

#include <cstdint>
#include <span>

namespace vt::resources {

// The panel's built-in firmware images in stored form, by resource id
// (19996 standard and A/B boards, 19997 R-boards). Empty when there is no
// such resource.
std::span<const uint8_t> FirmwareResource(int resourceId);

}  // namespace vt::resources
