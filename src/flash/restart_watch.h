#pragma once

#include <cstdint>
#include <string>

#include "devlink/board_link.h"

namespace vt::flash {

// What became of a restart command. A board restarts by leaving the bus and
// coming back as a new device, so the write of the command says nothing
// either way: through a real kernel it fails as the device goes, and a board
// that refused or lost the command may well have acknowledged it.
enum class RestartOutcome : uint8_t {
  kRestarted,    // the board left the bus and came back
  kUnreachable,  // the board could not be found to send the command to
  kStayed,       // the board never left: the command was refused or lost
  kNotBack,      // the board left and was not back in time
};

struct RestartWatch {
  RestartOutcome outcome = RestartOutcome::kUnreachable;
  uint32_t leftAfterMs = 0;  // from the command until the board had left
  uint32_t backAfterMs = 0;  // from then until it could be opened again
};

// How long the board has to leave the bus after the command, and to come
// back after leaving (the board's own restart waits go up to 6 s).
inline constexpr uint32_t kRestartLeaveWaitMs = 3000;
inline constexpr uint32_t kRestartReturnWaitMs = 6000;

// Sends the restart command and watches the board go and come back: a
// second handle, opened before the command, dies when the board leaves the
// bus; the board is then looked for through enumeration until it can be
// opened again, and the link's device path follows it to where it is now.
// A board that is still coming back from an earlier restart is waited for
// before the command is sent. Waits go through the link's clock.
RestartWatch RestartBoardAndWatch(devlink::BoardLink& link);

// The reason a restart did not go through, for the update's failure line;
// empty for kRestarted.
std::string DescribeRestart(const RestartWatch& watch);

// Looks for the link's board through enumeration for at most `waitMs`: the
// accepted device with the serial held in the link's identity, else one at
// the path held there (a bootloader update may rewrite the serial the board
// presents), else the only accepted device when `boardsBefore` was 1 (its
// serial and path both changed). True when it opened; the identity's path
// is then where it was found.
bool FindBoardAgain(devlink::BoardLink& link, uint32_t waitMs, size_t boardsBefore);

}  // namespace vt::flash
