#pragma once

// The body of a program's build-time documents tool:
//   TOOL bash|zsh|fish|man|help OUT
// writes that document of `app` to OUT and gives the exit status.

#include "docgen/man_page.h"

namespace vt::docgen {

int RunDocsTool(int argc, char** argv, const CLI::App& app, const ManPageText& text);

}  // namespace vt::docgen
