#pragma once

#include <cstdint>

#include "devlink/board_link.h"

namespace vt::devlink {

// Output command used by the servo and device tests.
inline constexpr uint8_t kTestCommand = 0x13;

// Sends the test command (Data = a, Addr = b, I2CID = c, DATA1 = 0). Returns
// the reply status, or kStatusNoResponse when the exchange failed. The
// command is write-only, so on success the status is the one LastReply held
// before.
uint8_t SendTestCommand(BoardLink& link, uint8_t a, uint8_t b, uint8_t c);

}  // namespace vt::devlink
