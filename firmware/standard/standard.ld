/* Flash layout of the standard board:
 *   0x0000  bootloader (vectors, code, identity record, end marker)
 *   0x2800  application: two-word header, version record at 0x2808,
 *           code, end marker.
 * Everything is one loadable segment at address 0, so the file holds the
 * flash contents contiguously. The firmware keeps no static RAM data. */
MEMORY {
  FLASH (rx) : ORIGIN = 0x00000000, LENGTH = 0x20000
  RAM (rwx)  : ORIGIN = 0x10000000, LENGTH = 0x2000
}
PHDRS { flash PT_LOAD; }
__stack_top = ORIGIN(RAM) + LENGTH(RAM);
ENTRY(boot_reset)
SECTIONS {
  .boot 0x0 : {
    KEEP(*(.boot_vectors))
    *(.boot_text)
    KEEP(*(.boot_identity))
    . = ALIGN(4);
    KEEP(*(.boot_end))
  } > FLASH :flash
  .app 0x2800 : {
    KEEP(*(.app_header))
    KEEP(*(.app_version))
    *(.text .text.*)
    *(.rodata .rodata.*)
    . = ALIGN(4);
    KEEP(*(.app_end))
  } > FLASH :flash
  /DISCARD/ : { *(.data .data.* .bss .bss.* COMMON .ARM.exidx* .ARM.attributes .comment) }
}
ASSERT(SIZEOF(.boot) < 0x2000, "bootloader overlaps the application")
