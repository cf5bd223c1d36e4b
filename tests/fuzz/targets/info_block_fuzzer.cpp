// libFuzzer entry point: info block record chains.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/info_block_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunInfoBlockInput({data, size});
  return 0;
}
