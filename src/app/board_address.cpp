#include "app/board_address.h"

#include <charconv>

#include "platform/remote/stream_socket.h"
#include "sim/board/board_config.h"

namespace vt::app {

using namespace vt::platform;

namespace {

bool ParseVirtualOptions(const std::string& options, BoardAddress* out, std::string* error) {
  std::string chosen;  // the preset named so far
  size_t start = 0;
  while (start <= options.size()) {
    const size_t comma = options.find(',', start);
    const std::string item =
        options.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    start = comma == std::string::npos ? options.size() + 1 : comma + 1;
    if (item.empty()) continue;
    if (item.rfind("file=", 0) == 0) {
      out->flashFile = item.substr(5);
      if (out->flashFile.empty()) {
        *error = "virtual board option file= needs a path";
        return false;
      }
    } else if (item.rfind("latency=", 0) == 0) {
      const std::string value = item.substr(8);
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), out->latencyMs);
      if (value.empty() || ec != std::errc() || ptr != value.data() + value.size()) {
        *error = "virtual board option latency= needs a number of milliseconds";
        return false;
      }
    } else if (sim::BoardConfig::FromPreset(item)) {
      // Two presets name two different boards: neither silently wins.
      if (!chosen.empty() && chosen != item) {
        *error = "virtual board presets '" + chosen + "' and '" + item + "' conflict; give one";
        return false;
      }
      chosen = item;
      out->preset = item;
    } else {
      std::string names;
      for (const auto& n : sim::BoardConfig::PresetNames()) names += (names.empty() ? "" : ", ") + n;
      *error = "unknown virtual board option '" + item + "' (presets: " + names +
               "; file=PATH, latency=MS)";
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<BoardAddress> ParseBoardAddress(const std::string& text, std::string* error) {
  BoardAddress out;
  out.text = text;
  if (text == "auto") {
    out.kind = BoardAddress::Kind::kAuto;
    return out;
  }
  if (text == "virtual" || text.rfind("virtual:", 0) == 0) {
    out.kind = BoardAddress::Kind::kVirtual;
    if (text.size() > 8 && !ParseVirtualOptions(text.substr(8), &out, error)) return std::nullopt;
    return out;
  }
  if (text.rfind("tcp:", 0) == 0 || text.rfind("unix:", 0) == 0) {
    if (!remote::ParseSocketAddress(text)) {
      *error = "bad board address '" + text + "' (expected tcp:HOST:PORT or unix:PATH)";
      return std::nullopt;
    }
    out.kind = text[0] == 't' ? BoardAddress::Kind::kTcp : BoardAddress::Kind::kUnix;
    return out;
  }
  *error = "unknown board address '" + text +
           "' (expected auto, virtual[:OPTIONS], tcp:HOST:PORT or unix:PATH)";
  return std::nullopt;
}

}  // namespace vt::app
