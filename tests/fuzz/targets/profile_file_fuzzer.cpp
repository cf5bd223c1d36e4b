// libFuzzer entry point: profile files, binary and text.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/profile_file_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunProfileFileInput({data, size});
  return 0;
}
