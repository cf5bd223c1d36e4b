#pragma once

// What a command that changes a board's flash says when it was asked to
// stop (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT) while it ran. The request is held
// from the first erase until the operation is over; then the command ends
// with one line saying what the board holds, and the status a shell gives a
// program that signal ended (128 + the signal).

#include <string>

#include "cli/cli_context.h"

namespace vt::cli {

// After a board operation. No request came: 0, and the command goes on to
// report as usual. A request came before anything was erased: "interrupted
// (SIGINT) before anything was erased: the board holds what it held
// before". One came while the change was held and `ok`: "interrupted
// (SIGTERM): the board holds `holds`". Either gives the signal's status. A
// failed operation is reported as any failure (0 here): its message says
// what the board holds and names the backup.
int ReportHeldStop(CliContext& ctx, bool ok, const std::string& holds);

}  // namespace vt::cli
