#pragma once

#include <cstddef>
#include <cstdint>

// Generated at build time from the stored images under firmware/.
namespace vt::resources {
extern const uint8_t kStandardFirmwareStored[];
extern const size_t kStandardFirmwareStoredSize;
extern const uint8_t kRBoardFirmwareStored[];
extern const size_t kRBoardFirmwareStoredSize;
}  // namespace vt::resources
