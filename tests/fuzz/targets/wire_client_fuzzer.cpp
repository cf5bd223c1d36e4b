// libFuzzer entry point: the panel's side of the board wire protocol.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/wire_client_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunWireClientInput({data, size});
  return 0;
}
