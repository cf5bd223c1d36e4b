// Profile file -> text.
#include <cstdio>

#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profile_text_fields.h"
#include "profiles/profile_text_internal.h"
#include "profiles/value_labels.h"

namespace vt::profiles {
namespace {

using text_form::kAllSetsKind;
using text_form::kOneSetKind;

std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

void WriteRecord(std::string& out, const StoredRecord& r, int position, bool degrees) {
  using text_form::Quote;
  const uint16_t header = RecordU16(r, kHeaderOffset);
  if ((header & 0xFF) == 0) {
    const unsigned defaultIndex = (header >> 8) & 0x0F;
    const unsigned units = (header >> 8) & 0xF0;
    if (const auto t = text_form::DefaultProfileText(defaultIndex)) {
      out += "default_profile = " + Quote(*t) + "\n";
    } else {
      out += "default_profile = " + std::to_string(defaultIndex) + "  # no such set on the page\n";
    }
    if (const auto t = text_form::ServoUnitsText(units)) {
      out += "servo_units = " + Quote(*t) + "\n";
    } else {
      out += "servo_units = " + std::to_string(units) + "  # no menu item for this value\n";
    }
  } else if (position <= 1 || header != position) {
    out += "record_header = " + std::to_string(header) + "  # the set this record was saved from\n";
  }

  TextContext context;
  context.camera = RecordU16(r, kCameraOffset);
  context.controlMode = RecordU16(r, 8);
  context.degrees = degrees;
  for (const TextField& f : TextFields()) {
    const uint16_t value = text_form::FieldValue(r, f);
    out += std::string(f.key) + " = ";
    if (f.kind == TextFieldKind::kOptionBit) {
      out += value != 0 ? "true\n" : "false\n";
    } else if (const auto text = ValueText(f, value, context)) {
      out += Quote(*text) + "\n";
    } else if (f.kind == TextFieldKind::kServo) {
      out += std::to_string(value) + "  # the page shows " +
             Quote(ServoWordLabel(f.word, value, context.degrees, context.controlMode)) + " for this and another value\n";
    } else {
      out += std::to_string(value) + "  # stored value without a text on the page\n";
    }
  }
  const uint16_t otherBits = RecordU16(r, 32) & static_cast<uint16_t>(~text_form::kEditedOptionBits);
  if (otherBits != 0) out += "other_option_bits = " + std::to_string(otherBits) + "  # kept as stored\n";
  std::string unused;
  for (uint8_t offset : UnusedRecordOffsets()) {
    if (r[offset] == 0) continue;
    unused += (unused.empty() ? "" : ", ") + std::to_string(offset) + " = " + std::to_string(r[offset]);
  }
  if (!unused.empty()) out += "unused_bytes = { " + unused + " }  # offset = byte, kept as stored\n";
}

}  // namespace

ProfileTextResult ProfileFileToText(std::span<const uint8_t> bytes) {
  ProfileTextResult result;
  const ProfileFileParse parsed = ParseProfileFile(bytes);
  if (!parsed.file) {
    result.error = parsed.message.empty() ? "not a profile file" : "not a complete profile file";
    return result;
  }
  const ProfileFile& file = *parsed.file;
  const bool all = file.kind == static_cast<uint8_t>(ProfileFileKind::kAllProfiles);
  if (!all && file.kind != static_cast<uint8_t>(ProfileFileKind::kOneProfile)) {
    result.error = "a profile file of an unknown kind (nothing the panel loads)";
    return result;
  }
  using text_form::Quote;
  std::string out = "# Velotrack profile settings. Values are the texts the settings pages show.\n";
  out += "kind = " + Quote(all ? kAllSetsKind : kOneSetKind) + "\n";
  if (bytes[3] != 0) out += "header_byte = " + std::to_string(bytes[3]) + "  # kept as stored\n";
  const auto serial = bytes.subspan(kProfileFileSerialOffset, kProfileFileSerialBytes);
  if (const auto s = text_form::SerialText(serial)) {
    out += "serial = " + Quote(*s) + "\n";
  } else {
    out += "serial_bytes = \"" + Hex(serial) + "\"  # UTF-16LE as stored\n";
  }
  const auto version = bytes.subspan(kProfileFileVersionOffset, kProfileFileVersionBytes);
  if (const auto v = text_form::VersionText(version)) {
    out += "firmware_version = " + Quote(*v) + "\n";
  } else {
    out += "firmware_version_bytes = \"" + Hex(version) + "\"  # as stored\n";
  }
  const bool degrees = text_form::DegreesOf(file.records.front());
  for (size_t i = 0; i < file.records.size(); ++i) {
    out += all ? "\n[set" + std::to_string(i + 1) + "]\n" : "\n[set]\n";
    WriteRecord(out, file.records[i], all ? static_cast<int>(i + 1) : 0, degrees);
  }
  result.text = std::move(out);
  return result;
}

}  // namespace vt::profiles
