#pragma once

#include <functional>
#include <string>

namespace vt::platform {

// Runs a program's whole body. Whatever escapes it (an allocation that
// failed, a library's exception) ends the program with
// "PROGRAM: unexpected error[: what]" on standard error and exit code 1,
// never with an abort.
int RunGuardedMain(const char* program, const std::function<int()>& body);
// The same, and the message (without the program's name) also handed to
// `tell`: a program without a console shows it where the user sees it.
int RunGuardedMain(const char* program, const std::function<int()>& body,
                   const std::function<void(const std::string&)>& tell);

}  // namespace vt::platform
