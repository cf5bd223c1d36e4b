#include "flash/board_addresses.h"

namespace vt::flash {

namespace {
bool IsVariantAB(const devlink::BoardIdentity& id) {
  const uint8_t c0 = id.SerialChar(0);
  return c0 == 'A' || c0 == 'B';
}
}  // namespace

uint32_t StagingAddress(const devlink::BoardIdentity& id) {
  if (id.IsVariantR()) return 0x5000u;
  return IsVariantAB(id) ? 0x40004200u : 0xED200u;
}

uint32_t InfoBlockAddress(const devlink::BoardIdentity& id) {
  if (id.IsVariantR()) return 0x8003F000u;
  return IsVariantAB(id) ? 0x38000u : 0xE0000u;
}

uint32_t VersionAreaAddress(const devlink::BoardIdentity& id) {
  return id.IsVariantR() ? 0x80007000u : 0x2800u;
}

uint32_t InfoBlockEraseStep(const devlink::BoardIdentity& id) {
  return IsVariantAB(id) ? 4096u : 512u;
}

}  // namespace vt::flash
