#pragma once

// The --json output of every command: one JSON document per line.

#include <nlohmann/json.hpp>

#include <string>

namespace vt::cli {

// `j` on one line with its line end. Bytes that are not UTF-8 (a board's
// text, a file name) become U+FFFD instead of ending the program.
std::string JsonLine(const nlohmann::ordered_json& j);

}  // namespace vt::cli
