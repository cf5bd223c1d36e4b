#include "platform/guarded_main.h"

#include <cstdio>
#include <exception>

namespace vt::platform {

int RunGuardedMain(const char* program, const std::function<int()>& body) {
  return RunGuardedMain(program, body, {});
}

int RunGuardedMain(const char* program, const std::function<int()>& body,
                   const std::function<void(const std::string&)>& tell) {
  std::string message;
  try {
    return body();
  } catch (const std::exception& e) {
    message = std::string("unexpected error: ") + e.what();
  } catch (...) {
    message = "unexpected error";
  }
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  if (tell) {
    try {
      tell(message);
    } catch (...) {
      // Telling must not turn the error into an abort.
    }
  }
  return 1;
}

}  // namespace vt::platform
