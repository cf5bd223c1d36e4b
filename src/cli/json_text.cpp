#include "cli/json_text.h"

namespace vt::cli {

std::string JsonLine(const nlohmann::ordered_json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace vt::cli
