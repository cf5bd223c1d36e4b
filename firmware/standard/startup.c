/* Application start-up: the two-word header the bootloader jumps through,
 * followed by the version record, then the rest of the vector table. */
#include "records.h"

extern uint32_t __stack_top;
void app_reset(void);
void app_main(void);
void default_handler(void);

__attribute__((section(".app_header"), used))
static const uintptr_t app_header[2] = {(uintptr_t)&__stack_top, (uintptr_t)&app_reset};

__attribute__((section(".app_version"), used))
const struct vt_version_record app_version = {VT_VERSION_MARK, VT_FW_MINOR, VT_FW_BUILD};

__attribute__((section(".app_end"), used))
const uint32_t app_end = VT_APP_END_MARK;

__attribute__((noreturn)) void app_reset(void) {
  app_main();
  for (;;) {
  }
}

void default_handler(void) {
  for (;;) {
  }
}
