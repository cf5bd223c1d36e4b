// libFuzzer entry point for the firmware image parsers.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/firmware_image_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::flash::fuzz::RunFirmwareImageInput({data, size});
  return 0;
}
