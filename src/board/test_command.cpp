#include "board/test_command.h"

namespace vt::board {

uint8_t SendTestCommand(devlink::BoardLink& link, uint8_t a, uint8_t b, uint8_t c) {
  if (!link.USBSendCommand(kTestCommand, a, b, c, 0)) return devlink::kStatusNoResponse;
  return link.GetLastReply().status;
}

}  // namespace vt::board
