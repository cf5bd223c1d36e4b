#pragma once

// What the man page of `velotrack` says beyond its command definitions; the
// page, the completions and the help as text are generated in src/docgen.

#include "docgen/man_page.h"

namespace vt::cli {

docgen::ManPageText CliManPageText();

}  // namespace vt::cli
