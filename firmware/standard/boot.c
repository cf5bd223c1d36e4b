/* Bootloader: starts at flash address 0, checks that an application is
 * present at 0x2800 and jumps to it. The panel rewrites the identity record
 * before it programs this region, so the board keeps its serial number. */
#include "records.h"

#define APP_BASE 0x2800u
#define SCB_VTOR (*(volatile uint32_t *)0xE000ED08u)

extern uint32_t __stack_top;
void boot_reset(void);

__attribute__((section(".boot_vectors"), used))
static const uintptr_t boot_vectors[2] = {(uintptr_t)&__stack_top, (uintptr_t)&boot_reset};

/* "VV00000002-2-0305": letters, board number, series, hardware revision and
 * minor version digits. Character 9 carries the image's series. */
__attribute__((section(".boot_identity"), used))
const struct vt_identity_record boot_identity = {
    VT_IDENTITY_MARK, 2 + 2 * VT_SERIAL_CHARS, 3,
    {'V', 'V', '0', '0', '0', '0', '0', '0', '0', '2', '-', '2', '-', '0', '3', '0', '6'}};

__attribute__((section(".boot_end"), used))
const uint32_t boot_end = VT_BOOT_END_MARK;

__attribute__((section(".boot_text"), noreturn))
void boot_reset(void) {
  const volatile uint32_t *app = (const volatile uint32_t *)APP_BASE;
  uint32_t sp = app[0];
  uint32_t entry = app[1];
  if (sp == 0xFFFFFFFFu || entry == 0xFFFFFFFFu) {
    for (;;) {
      /* No application: stay in the bootloader and wait for the panel. */
    }
  }
  SCB_VTOR = APP_BASE;
  __asm volatile("msr msp, %0\n bx %1\n" : : "r"(sp), "r"(entry));
  __builtin_unreachable();
}
