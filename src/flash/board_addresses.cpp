#include "flash/board_addresses.h"

namespace vt::flash {

uint32_t StagingAddress(const devlink::BoardIdentity& id) {
  return id.IsVariantR() ? 0x5000u : 0xED200u;
}

uint32_t InfoBlockAddress(const devlink::BoardIdentity& id) {
  return id.IsVariantR() ? 0x8003F000u : 0xE0000u;
}

uint32_t VersionAreaAddress(const devlink::BoardIdentity& id) {
  return id.IsVariantR() ? 0x80007000u : 0x2800u;
}

}  // namespace vt::flash
