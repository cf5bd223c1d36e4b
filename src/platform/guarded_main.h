#pragma once

#include <functional>

namespace vt::platform {

// Runs a program's whole body. Whatever escapes it (an allocation that
// failed, a library's exception) ends the program with
// "PROGRAM: unexpected error[: what]" on standard error and exit code 1,
// never with an abort.
int RunGuardedMain(const char* program, const std::function<int()>& body);

}  // namespace vt::platform
