// libFuzzer entry point: the board server's protocol sessions.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/wire_server_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunWireServerInput({data, size});
  return 0;
}
