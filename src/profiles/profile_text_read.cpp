// Text -> profile file. Every key is checked the way the settings pages
// would take it: a text from the field's list (which for camera settings is
// the chosen camera's), a label the track bar can show, or a raw number in
// the field's range. The first fault ends the reading with one line naming
// the file, line, key and what is allowed.
#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profile_text_internal.h"
#include "profiles/toml_text_guard.h"

namespace vt::profiles {
namespace {

using namespace text_form;

constexpr std::string_view kHeaderKeys[] = {"default_profile", "servo_units", "record_header",
                                            "other_option_bits", "unused_bytes"};

class Reader {
 public:
  explicit Reader(std::string fileName) : file_(std::move(fileName)) {}

  // Records the first fault only.
  bool Fault(const toml::node* at, const std::string& key, const std::string& message) {
    if (!error_.empty()) return false;
    const auto line = at != nullptr ? at->source().begin.line : 0;
    error_ = file_ + ":" + std::to_string(line) + ": " + key + ": " + message;
    return false;
  }
  const std::string& Error() const { return error_; }

  std::optional<int64_t> Integer(const toml::node* node, const std::string& key, int64_t max,
                                 const std::string& allowed) {
    return IntegerOr(node, key, max, [&allowed] { return allowed; });
  }

  // `allowed()` makes the list of what is allowed, only for a fault: some
  // lists are long.
  template <typename Allowed>
  std::optional<int64_t> IntegerOr(const toml::node* node, const std::string& key, int64_t max,
                                   Allowed allowed) {
    const auto v = node->value<int64_t>();
    if (!node->is_integer() || !v) {
      Fault(node, key, "wrong type; allowed: " + allowed());
      return std::nullopt;
    }
    if (*v < 0 || *v > max) {
      Fault(node, key, std::to_string(*v) + " is out of range; allowed: " + allowed());
      return std::nullopt;
    }
    return v;
  }

  // A text from the given choices or a raw number up to `max`.
  template <typename FromText, typename Allowed>
  std::optional<uint16_t> TextOrNumber(const toml::node* node, const std::string& key, uint32_t max,
                                       FromText fromText, Allowed allowed) {
    if (node->is_string()) {
      const std::string text = *node->value<std::string>();
      if (const auto v = fromText(text)) return static_cast<uint16_t>(*v);
      Fault(node, key, Quote(text) + " is not one of the values allowed: " + allowed());
      return std::nullopt;
    }
    const auto v = IntegerOr(node, key, max, allowed);
    if (!v) return std::nullopt;
    return static_cast<uint16_t>(*v);
  }

  bool ReadRecord(const toml::table& t, const std::string& name, int position, bool* degrees,
                  StoredRecord* out) {
    StoredRecord r{};
    // Unknown keys first: a misspelt key must not pass as a missing one.
    for (const auto& [k, node] : t) {
      const std::string key(k.str());
      const bool known = FindTextField(key) != nullptr ||
                         std::find(std::begin(kHeaderKeys), std::end(kHeaderKeys), key) != std::end(kHeaderKeys);
      if (!known) return Fault(&node, name + "." + key, "unknown key");
    }
    if (!ReadHeader(t, name, position, r)) return false;
    if (position <= 1) *degrees = DegreesOf(r);
    // The camera and control mode choose the lists and labels of the rest.
    TextContext context;
    context.degrees = *degrees;
    for (const std::string_view first : {"camera_model", "control_mode"}) {
      if (!ReadField(t, name, *FindTextField(first), context, r)) return false;
      context.camera = RecordU16(r, kCameraOffset);
      context.controlMode = RecordU16(r, kControlModeOffset);
    }
    for (const TextField& f : TextFields()) {
      if (f.key == "camera_model" || f.key == "control_mode") continue;
      if (!ReadField(t, name, f, context, r)) return false;
    }
    if (const toml::node* bits = t.get("other_option_bits")) {
      const auto v = Integer(bits, name + ".other_option_bits", 0xFFFF, "a number of bits outside 0xfc");
      if (!v) return false;
      if ((*v & kEditedOptionBits) != 0) {
        return Fault(bits, name + ".other_option_bits", "holds bits the check boxes own (0xfc)");
      }
      SetRecordU16(r, kOptionsOffset, static_cast<uint16_t>(RecordU16(r, kOptionsOffset) | *v));
    }
    if (const toml::node* unused = t.get("unused_bytes")) {
      if (!ReadUnused(*unused, name + ".unused_bytes", r)) return false;
    }
    *out = r;
    return true;
  }

 private:
  bool ReadHeader(const toml::table& t, const std::string& name, int position, StoredRecord& r) {
    const toml::node* raw = t.get("record_header");
    const toml::node* dp = t.get("default_profile");
    const toml::node* units = t.get("servo_units");
    uint16_t header = static_cast<uint16_t>(position > 1 ? position : 0);
    if (raw != nullptr) {
      if (dp != nullptr || units != nullptr) {
        return Fault(raw, name + ".record_header", "give either record_header or default_profile and servo_units");
      }
      const auto v = Integer(raw, name + ".record_header", 0xFFFF, "a number 0..65535");
      if (!v) return false;
      header = static_cast<uint16_t>(*v);
    } else if (dp != nullptr || units != nullptr || position <= 1) {
      if (dp == nullptr || units == nullptr) {
        return Fault(dp != nullptr ? dp : (units != nullptr ? units : nullptr), name,
                     "default_profile and servo_units go together");
      }
      const auto index = TextOrNumber(dp, name + ".default_profile", 0x0F, DefaultProfileIndex,
                                      [] { return std::string("\"#1\" to \"#7\", or a raw number 0..15"); });
      if (!index) return false;
      const auto u = TextOrNumber(units, name + ".servo_units", 0xF0, ServoUnitsValue,
                                  [] { return std::string("\"Milliseconds\", \"Degrees, Gear ratio 1:1\""); });
      if (!u) return false;
      if ((*u & 0x0F) != 0) return Fault(units, name + ".servo_units", "a raw value must be a multiple of 16");
      header = static_cast<uint16_t>((*index | *u) << 8);
    }
    SetRecordU16(r, kHeaderOffset, header);
    return true;
  }

  bool ReadField(const toml::table& t, const std::string& name, const TextField& f, const TextContext& c,
                 StoredRecord& r) {
    const std::string key = name + "." + std::string(f.key);
    const toml::node* node = t.get(f.key);
    if (node == nullptr) return Fault(&t, key, "missing; allowed: " + AllowedTexts(f, c));
    if (f.kind == TextFieldKind::kOptionBit) {
      if (!node->is_boolean()) return Fault(node, key, "wrong type; allowed: true, false");
      SetFieldValue(r, f, *node->value<bool>() ? 1 : 0);
      return true;
    }
    const auto v = TextOrNumber(
        node, key, MaxRawValue(f), [&](const std::string& text) { return ValueOfText(f, text, c); },
        [&] { return AllowedTexts(f, c); });
    if (!v) return false;
    SetFieldValue(r, f, *v);
    return true;
  }

  bool ReadUnused(const toml::node& node, const std::string& key, StoredRecord& r) {
    const toml::table* t = node.as_table();
    if (t == nullptr) return Fault(&node, key, "wrong type; allowed: { OFFSET = BYTE, ... }");
    for (const auto& [k, v] : *t) {
      const std::string offsetText(k.str());
      const auto offsets = UnusedRecordOffsets();
      const auto at = std::find_if(offsets.begin(), offsets.end(),
                                   [&](uint8_t o) { return std::to_string(o) == offsetText; });
      if (at == offsets.end()) return Fault(&v, key + "." + offsetText, "not an unused byte of the record");
      const auto b = Integer(&v, key + "." + offsetText, 0xFF, "a byte 0..255");
      if (!b) return false;
      r[*at] = static_cast<uint8_t>(*b);
    }
    return true;
  }

  std::string file_;
  std::string error_;
};

bool ReadHexField(Reader& reader, const toml::node* node, const std::string& key, std::span<uint8_t> out) {
  const auto text = node->value<std::string>();
  if (!node->is_string() || !text || text->size() != out.size() * 2) {
    return reader.Fault(node, key, "wanted " + std::to_string(out.size() * 2) + " hex digits");
  }
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned byte = 0;
    if (std::sscanf(text->substr(i * 2, 2).c_str(), "%2x", &byte) != 1 ||
        !std::isxdigit(static_cast<unsigned char>((*text)[i * 2])) ||
        !std::isxdigit(static_cast<unsigned char>((*text)[i * 2 + 1]))) {
      return reader.Fault(node, key, "wanted hex digits");
    }
    out[i] = static_cast<uint8_t>(byte);
  }
  return true;
}

// Header text fields: plain text, or the raw bytes in hex.
bool ReadHeaderText(Reader& reader, const toml::table& doc, std::string_view textKey, std::string_view bytesKey,
                    bool (*toBytes)(std::string_view, std::span<uint8_t>), std::span<uint8_t> out) {
  const toml::node* text = doc.get(textKey);
  const toml::node* hex = doc.get(bytesKey);
  if ((text == nullptr) == (hex == nullptr)) {
    return reader.Fault(text != nullptr ? text : hex, std::string(textKey),
                        "give exactly one of " + std::string(textKey) + " and " + std::string(bytesKey));
  }
  if (hex != nullptr) return ReadHexField(reader, hex, std::string(bytesKey), out);
  const auto value = text->value<std::string>();
  if (!text->is_string() || !value || !toBytes(*value, out)) {
    return reader.Fault(text, std::string(textKey), "wanted printable ASCII that fits the field");
  }
  return true;
}

}  // namespace

ProfileBytesResult ProfileTextToFile(std::string_view text, const std::string& fileName) {
  ProfileBytesResult result;
  if (const std::string where = CheckTomlTextCharacters(text); !where.empty()) {
    result.error = fileName + ":" + where;
    return result;
  }
  toml::table doc;
  try {
    doc = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    std::ostringstream why;
    why << fileName << ":" << e.source().begin.line << ": " << e.description();
    result.error = why.str();
    return result;
  }
  Reader reader(fileName);
  std::vector<uint8_t> bytes(kProfileFileHeaderSize, 0);
  bytes[0] = 'V';
  bytes[1] = 'T';
  const toml::node* kind = doc.get("kind");
  const auto kindText = kind != nullptr ? kind->value<std::string>() : std::nullopt;
  const std::string allowedKinds = Quote(kAllSetsKind) + ", " + Quote(kOneSetKind);
  if (!kindText || (*kindText != kAllSetsKind && *kindText != kOneSetKind)) {
    reader.Fault(kind, "kind", (kind == nullptr ? "missing" : "not a kind") + std::string("; allowed: ") + allowedKinds);
    result.error = reader.Error();
    return result;
  }
  const bool all = *kindText == kAllSetsKind;
  bytes[2] = static_cast<uint8_t>(all ? ProfileFileKind::kAllProfiles : ProfileFileKind::kOneProfile);
  const std::vector<std::string> sets =
      all ? std::vector<std::string>{"set1", "set2", "set3", "set4", "set5", "set6", "set7"}
          : std::vector<std::string>{"set"};
  for (const auto& [k, node] : doc) {
    const std::string key(k.str());
    const bool known = key == "kind" || key == "header_byte" || key == "serial" || key == "serial_bytes" ||
                       key == "firmware_version" || key == "firmware_version_bytes" ||
                       std::find(sets.begin(), sets.end(), key) != sets.end();
    if (!known) {
      reader.Fault(&node, key, "unknown key (a " + *kindText + " file holds " +
                                   (all ? std::string("[set1] to [set7]") : std::string("[set]")) + ")");
      result.error = reader.Error();
      return result;
    }
  }
  if (const toml::node* b = doc.get("header_byte")) {
    const auto v = reader.Integer(b, "header_byte", 0xFF, "a byte 0..255");
    if (!v) return {std::nullopt, reader.Error()};
    bytes[3] = static_cast<uint8_t>(*v);
  }
  if (!ReadHeaderText(reader, doc, "serial", "serial_bytes", SerialBytes,
                      std::span(bytes).subspan(kProfileFileSerialOffset, kProfileFileSerialBytes)) ||
      !ReadHeaderText(reader, doc, "firmware_version", "firmware_version_bytes", VersionBytes,
                      std::span(bytes).subspan(kProfileFileVersionOffset, kProfileFileVersionBytes))) {
    return {std::nullopt, reader.Error()};
  }
  bool degrees = false;
  for (size_t i = 0; i < sets.size(); ++i) {
    const toml::table* t = doc.get_as<toml::table>(sets[i]);
    if (t == nullptr) {
      reader.Fault(doc.get(sets[i]), sets[i], "missing table [" + sets[i] + "]");
      return {std::nullopt, reader.Error()};
    }
    StoredRecord r{};
    if (!reader.ReadRecord(*t, sets[i], all ? static_cast<int>(i + 1) : 0, &degrees, &r)) {
      return {std::nullopt, reader.Error()};
    }
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  result.bytes = std::move(bytes);
  return result;
}

}  // namespace vt::profiles
