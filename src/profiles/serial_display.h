#pragma once

#include <string>

#include "devlink/board_identity.h"

namespace vt::profiles {

// The serial number as the main window shows it: the low bytes of the first
// 22 units of the serial-number string, up to the first zero.
std::string SerialDisplayText(const devlink::BoardIdentity& identity);

}  // namespace vt::profiles
