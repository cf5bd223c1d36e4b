#pragma once

#include <string>

#include "cli/cli_context.h"

namespace vt::cli {

// False (after printing why, usage exit status) when `output` leads to the
// file `input` names, by the same path, a symbolic link or a hard link:
// writing it would destroy what is being read.
bool CheckOutputIsNotInput(CliContext& ctx, const std::string& output, const std::string& input);

}  // namespace vt::cli
