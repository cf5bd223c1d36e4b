#pragma once

// The --json output of every command: one JSON document per line.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace vt::cli {

// `j` on one line with its line end. Bytes that are not UTF-8 (a board's
// text, a file name) become U+FFFD instead of ending the program.
std::string JsonLine(const nlohmann::ordered_json& j);

// A caption as a JSON key, the way every JSON output spells its keys:
// "Default Profile" -> "default_profile".
std::string JsonKey(std::string_view caption);

}  // namespace vt::cli
