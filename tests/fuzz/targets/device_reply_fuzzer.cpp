// libFuzzer entry point: board replies to the command exchange, memory reads
// and the profile read.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bodies/device_reply_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::fuzz::RunDeviceReplyTargetInput({data, size});
  return 0;
}
