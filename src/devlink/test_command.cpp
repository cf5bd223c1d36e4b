#include "devlink/test_command.h"

namespace vt::devlink {

uint8_t SendTestCommand(BoardLink& link, uint8_t a, uint8_t b, uint8_t c) {
  if (!link.USBSendCommand(kTestCommand, a, b, c, 0)) return kStatusNoResponse;
  return link.GetLastReply().status;
}

}  // namespace vt::devlink
