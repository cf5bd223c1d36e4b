#include "platform/guarded_main.h"

#include <cstdio>
#include <exception>

namespace vt::platform {

int RunGuardedMain(const char* program, const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: unexpected error: %s\n", program, e.what());
  } catch (...) {
    std::fprintf(stderr, "%s: unexpected error\n", program);
  }
  return 1;
}

}  // namespace vt::platform
