// Single settings of a profile file by dotted key. The file is turned into
// its text form, the lines of the changed keys are rewritten, and the text
// is read back with the same checks an edited file gets: whatever the text
// reader refuses, a change here refuses too.
#include "profiles/profile_text_edit.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profile_text_internal.h"

namespace vt::profiles {
namespace {

using namespace text_form;

constexpr std::string_view kSetHeaderKeys[] = {"default_profile", "servo_units"};

struct LoadedText {
  std::string text;
  toml::table doc;
  std::vector<StoredRecord> records;
};

std::optional<LoadedText> Load(std::span<const uint8_t> bytes, std::string* error) {
  ProfileTextResult t = ProfileFileToText(bytes);
  if (!t.text) {
    *error = t.error;
    return std::nullopt;
  }
  LoadedText loaded;
  loaded.records = ParseProfileFile(bytes).file->records;
  try {
    loaded.doc = toml::parse(*t.text);
  } catch (const toml::parse_error& e) {
    *error = std::string("the text form does not read back: ") + std::string(e.description());
    return std::nullopt;
  }
  loaded.text = std::move(*t.text);
  return loaded;
}

// The record a set table holds: "set" is the one record, "setN" record N-1.
std::optional<size_t> RecordOfTable(std::string_view name, size_t records) {
  if (name == "set" && records == 1) return 0;
  if (name.size() == 4 && name.substr(0, 3) == "set" && name[3] >= '1' && name[3] <= '7') {
    const auto index = static_cast<size_t>(name[3] - '1');
    if (index < records) return index;
  }
  return std::nullopt;
}

std::string SetTableNames(size_t records) {
  return records == 1 ? std::string("set") : std::string("set1 .. set") + std::to_string(records);
}

void Collect(const std::string& key, const toml::node& node, std::vector<TextValue>& out) {
  if (const toml::table* t = node.as_table()) {
    // In the order the text has them, not the table's sorted order.
    std::vector<std::pair<std::string, const toml::node*>> entries;
    for (const auto& [k, v] : *t) entries.emplace_back(std::string(k.str()), &v);
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return a.second->source().begin.line < b.second->source().begin.line;
    });
    for (const auto& [k, v] : entries) Collect(key.empty() ? k : key + "." + k, *v, out);
    return;
  }
  TextValue value;
  value.key = key;
  if (const auto s = node.value_exact<std::string>()) {
    value.text = *s;
  } else if (const auto i = node.value_exact<int64_t>()) {
    value.kind = TextValue::Kind::kNumber;
    value.text = std::to_string(*i);
  } else if (const auto b = node.value_exact<bool>()) {
    value.kind = TextValue::Kind::kBool;
    value.text = *b ? "true" : "false";
  } else {
    return;  // the text form writes no other kinds
  }
  out.push_back(std::move(value));
}

std::string Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

bool IsSmallNumber(const std::string& s) {
  return !s.empty() && s.size() <= 5 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// One changed line of the text.
struct Change {
  std::string key;    // "set3.interval"
  std::string field;  // "interval"
  std::string* line = nullptr;  // in the text being changed
  std::string value;  // as the user gave it
  bool isBool = false;
  bool asNumber = false;
};

std::string ValueToml(const Change& c) { return c.asNumber ? c.value : (c.isBool ? c.value : Quote(c.value)); }

// "KEY: reason" from the reader's ":LINE: KEY: reason" (its file name is
// empty: the lines are those of a text nobody sees).
std::string WithoutPlace(const std::string& error) {
  if (error.empty() || error[0] != ':') return error;
  const size_t end = error.find(": ");
  return end == std::string::npos ? error : error.substr(end + 2);
}

}  // namespace

std::string TextValueLiteral(const TextValue& value) {
  return value.kind == TextValue::Kind::kText ? text_form::Quote(value.text) : value.text;
}

std::string NormaliseTextKey(std::string_view key) {
  std::string k = Trim(key);
  // "set.3.interval" -> "set3.interval"
  if (k.size() >= 5 && k.compare(0, 4, "set.") == 0 && k[4] >= '1' && k[4] <= '9' &&
      (k.size() == 5 || k[5] == '.')) {
    k.erase(3, 1);
  }
  return k;
}

TextGetResult GetProfileTextValues(std::span<const uint8_t> fileBytes, const std::vector<std::string>& keys) {
  TextGetResult result;
  auto loaded = Load(fileBytes, &result.error);
  if (!loaded) return result;
  std::vector<TextValue> values;
  for (const std::string& given : keys) {
    const std::string key = NormaliseTextKey(given);
    const toml::node* node = key.empty() ? nullptr : loaded->doc.at_path(key).node();
    if (node == nullptr) {
      result.error = (key.empty() ? std::string("\"\"") : key) + ": no such key (the sets are " +
                     SetTableNames(loaded->records.size()) + ")";
      return result;
    }
    Collect(key, *node, values);
  }
  result.values = std::move(values);
  return result;
}

TextSetResult SetProfileTextValues(std::span<const uint8_t> fileBytes, const std::vector<std::string>& assignments) {
  TextSetResult result;
  auto loaded = Load(fileBytes, &result.error);
  if (!loaded) return result;
  const size_t records = loaded->records.size();
  std::vector<std::string> lines;
  std::istringstream in(loaded->text);
  for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
  const auto lineOf = [&lines](const toml::node& node) -> std::string* {
    const auto line = static_cast<size_t>(node.source().begin.line);
    return line >= 1 && line <= lines.size() ? &lines[line - 1] : nullptr;
  };
  std::map<std::string, Change> changes;  // by key: the last assignment wins
  for (const std::string& a : assignments) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos || Trim(std::string_view(a).substr(0, eq)).empty()) {
      result.error = "\"" + a + "\": wanted KEY=VALUE";
      return result;
    }
    Change c;
    c.key = NormaliseTextKey(std::string_view(a).substr(0, eq));
    c.value = Trim(std::string_view(a).substr(eq + 1));
    const size_t dot = c.key.find('.');
    const std::string table = c.key.substr(0, dot);
    c.field = dot == std::string::npos ? std::string() : c.key.substr(dot + 1);
    const auto record = RecordOfTable(table, records);
    const toml::table* t = record ? loaded->doc.get_as<toml::table>(table) : nullptr;
    if (t == nullptr || c.field.empty()) {
      result.error = c.key + ": not a setting; settings are SET.KEY with SET one of " + SetTableNames(records);
      return result;
    }
    const TextField* f = FindTextField(c.field);
    const bool header = std::find(std::begin(kSetHeaderKeys), std::end(kSetHeaderKeys), c.field) != std::end(kSetHeaderKeys);
    const toml::node* node = t->get(c.field);
    if ((f == nullptr && !header) || node == nullptr) {
      std::string keys;
      for (const TextField& each : TextFields()) keys += (keys.empty() ? "" : ", ") + std::string(each.key);
      result.error = c.key + ": unknown key; allowed: " + keys +
                     (*record == 0 ? ", default_profile, servo_units" : "");
      return result;
    }
    c.line = lineOf(*node);
    if (c.line == nullptr) {
      result.error = c.key + ": not found in the text form";
      return result;
    }
    c.isBool = f != nullptr && f->kind == TextFieldKind::kOptionBit;
    if (c.isBool && c.value != "true" && c.value != "false") {
      result.error = c.key + ": \"" + c.value + "\" is not a check box value; allowed: true, false";
      return result;
    }
    // "raw:N" stores the number N itself; a bare number is only ever one
    // of the field's texts ("100" among the ISO speeds), so a typo cannot
    // store a value the page has no text for.
    if (!c.isBool && c.value.rfind("raw:", 0) == 0) {
      c.value = Trim(std::string_view(c.value).substr(4));
      if (!IsSmallNumber(c.value)) {
        result.error = c.key + ": raw: takes the stored number, such as raw:7";
        return result;
      }
      c.asNumber = true;
    }
    changes[c.key] = std::move(c);
  }

  // Servo positions keep their stored numbers: their labels depend on the
  // units and the control mode, which may be among the changes.
  for (size_t i = 0; i < records; ++i) {
    const std::string table = records == 1 ? "set" : "set" + std::to_string(i + 1);
    const toml::table* t = loaded->doc.get_as<toml::table>(table);
    for (const TextField& f : TextFields()) {
      if (f.kind != TextFieldKind::kServo || changes.count(table + "." + std::string(f.key)) != 0) continue;
      const toml::node* node = t != nullptr ? t->get(f.key) : nullptr;
      std::string* line = node != nullptr ? lineOf(*node) : nullptr;
      if (line != nullptr) *line = std::string(f.key) + " = " + std::to_string(FieldValue(loaded->records[i], f));
    }
  }
  for (const auto& [key, c] : changes) *c.line = c.field + " = " + ValueToml(c);
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  ProfileBytesResult read = ProfileTextToFile(text, "");
  if (read.bytes) {
    result.bytes = std::move(read.bytes);
    return result;
  }
  result.error = WithoutPlace(read.error);
  const auto it = changes.find(result.error.substr(0, result.error.find(": ")));
  if (it != changes.end() && !it->second.asNumber && !it->second.isBool) {
    // The text reader's "or a raw number 0..N" is written raw:N here.
    const std::string_view raw = ", or a raw number ";
    if (const size_t at = result.error.find(raw); at != std::string::npos) {
      result.error.replace(at, raw.size(), ", or the stored number as raw:");
    }
  }
  // A setting whose text the change made impossible is named as it is.
  if (changes.count(result.error.substr(0, result.error.find(": "))) == 0) {
    result.error += " (after the change; give this setting too)";
  }
  return result;
}

}  // namespace vt::profiles
