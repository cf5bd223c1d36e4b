/* Records the configuration panel looks for inside the image. Each record
 * starts with a four-byte marker: one 16-bit half written twice. */
#ifndef VELOTRACK_RECORDS_H
#define VELOTRACK_RECORDS_H

#include <stdint.h>

#define VT_MARK(half) ((uint32_t)(half) | ((uint32_t)(half) << 16))

#define VT_VERSION_MARK VT_MARK(0x2427u)   /* application version record */
#define VT_APP_END_MARK VT_MARK(0x2428u)   /* end of the application region */
#define VT_IDENTITY_MARK VT_MARK(0x242Bu)  /* bootloader identity record */
#define VT_BOOT_END_MARK VT_MARK(0x2426u)  /* end of the bootloader code */

/* Firmware version carried by this build (series comes from the identity
 * record's board-number digit, see boot.c). */
#define VT_FW_MINOR 6u
#define VT_FW_BUILD 76u

struct vt_version_record {
  uint32_t marker;
  uint16_t minor;
  uint16_t build;
};

/* The USB serial-number string the bootloader presents: a string
 * descriptor (length, type 3) followed by UTF-16 characters. */
#define VT_SERIAL_CHARS 17
struct vt_identity_record {
  uint32_t marker;
  uint8_t length;
  uint8_t type;
  uint16_t text[VT_SERIAL_CHARS];
};

#endif
