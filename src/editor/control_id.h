#pragma once

// The one decoder of the settings controls' ids: the editor binds every
// control to its word with it, and the shell sets the track bars' ranges.

#include <cstdint>

namespace vt::profiles {

// Every settings control carries in its 16-bit dialog id the place of the
// value it edits:
//   bits 0-7   field index: the word of the profile word table
//   bits 8-10  width code w: the value has w+1 bits
//   bits 11-13 shift s: the value's lowest bit in the word
//   bits 14-15 kind
enum class ControlKind : uint8_t {
  Display = 0,   // value labels, LED pictures
  CheckBox = 1,  // one bit
  TrackBar = 2,
  Selector = 3,  // choice list
};

struct FieldDescriptor {
  uint8_t field = 0;
  uint8_t shift = 0;
  uint8_t widthCode = 0;
  ControlKind kind = ControlKind::Display;
  // Complement of the value's bits in place, kept in 8 bits: a field that
  // reaches beyond bit 7 is only covered in the low byte.
  uint8_t mask = 0;

  bool operator==(const FieldDescriptor&) const = default;
};

// The value's bits in place, all 16 of them (for reading and writing words).
constexpr uint16_t FieldBits(uint8_t shift, uint8_t widthCode) {
  return static_cast<uint16_t>(((1u << ((widthCode & 7u) + 1u)) - 1u) << (shift & 7u));
}

constexpr FieldDescriptor DecodeControlId(uint16_t id) {
  FieldDescriptor d;
  d.field = static_cast<uint8_t>(id & 0xFFu);
  d.widthCode = static_cast<uint8_t>((id >> 8) & 7u);
  d.shift = static_cast<uint8_t>((id >> 11) & 7u);
  d.kind = static_cast<ControlKind>(id >> 14);
  d.mask = static_cast<uint8_t>(~FieldBits(d.shift, d.widthCode) & 0xFFu);
  return d;
}

// Shift and width codes are 3-bit fields; higher bits are dropped so that
// they cannot spill into the neighbouring fields.
constexpr uint16_t EncodeControlId(uint8_t field, uint8_t shift, uint8_t widthCode,
                                   ControlKind kind) {
  return static_cast<uint16_t>((static_cast<unsigned>(kind) & 3u) << 14 | (shift & 7u) << 11 |
                               (widthCode & 7u) << 8 | field);
}

// The value a control shows from its word, and the word with a new value.
constexpr uint16_t FieldValue(uint16_t word, const FieldDescriptor& d) {
  return static_cast<uint16_t>((word & FieldBits(d.shift, d.widthCode)) >> d.shift);
}
constexpr uint16_t WithFieldValue(uint16_t word, const FieldDescriptor& d, uint16_t value) {
  const uint16_t bits = FieldBits(d.shift, d.widthCode);
  return static_cast<uint16_t>((word & ~bits) | ((value << d.shift) & bits));
}

}  // namespace vt::profiles
