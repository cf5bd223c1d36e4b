#include "cli/json_text.h"

#include <cctype>

namespace vt::cli {

std::string JsonLine(const nlohmann::ordered_json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string JsonKey(std::string_view caption) {
  std::string key;
  for (const char c : caption) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) != 0) {
      key += static_cast<char>(std::tolower(u));
    } else if (!key.empty() && key.back() != '_') {
      key += '_';
    }
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key;
}

}  // namespace vt::cli
