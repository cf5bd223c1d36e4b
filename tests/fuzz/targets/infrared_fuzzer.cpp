// libFuzzer entry point: the infrared recording converter.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/infrared_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunInfraredInput({data, size});
  return 0;
}
