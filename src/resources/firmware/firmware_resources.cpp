#include "resources/firmware/firmware_resources.h"

#include "resources/firmware/firmware_resources_data.h"

namespace vt::resources {

std::span<const uint8_t> FirmwareResource(int resourceId) {
  switch (resourceId) {
    case 19996:
      return {kStandardFirmwareStored, kStandardFirmwareStoredSize};
    case 19997:
      return {kRBoardFirmwareStored, kRBoardFirmwareStoredSize};
    default:
      return {};
  }
}

}  // namespace vt::resources
