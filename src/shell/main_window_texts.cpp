// Texts the main window derives: status texts and the About box.
#include <array>
#include <string>
#include <string_view>

#include "shell/main_window.h"

namespace vt::shell {

namespace {

constexpr std::array<std::string_view, 11> kStatusTexts = {
    "OK",     "OK",     "Undefined", "No RX",  "Velotrack I/O Error", "No ACK0",
    "No ACK1", "No ACK2", "No ACK",    "Burned", "Failed",
};

}  // namespace

std::string StatusCodeText(uint8_t code) {
  const size_t index = code & 0x7Fu;
  // Boards and transfers may pass codes the table does not know.
  if (index >= kStatusTexts.size()) return std::string(kStatusTexts[2]);
  return std::string(kStatusTexts[index]);
}

AboutTexts AboutTextsFromCaption(const std::string& caption) {
  AboutTexts texts;
  const size_t open = caption.find('(');
  std::string name;
  std::string version;
  if (open == std::string::npos) {
    name = caption;
    version = "1.0";
  } else {
    // "Name (ver.x.y.z)": the name stops one character before the bracket.
    name = caption.substr(0, open == 0 ? 0 : open - 1);
    size_t start = caption.find(' ', open + 1);
    if (start == std::string::npos) start = caption.find('.', open + 1);
    start = start == std::string::npos ? caption.size() : start + 1;
    const size_t close = caption.find(')', start);
    version = caption.substr(start, close == std::string::npos ? std::string::npos : close - start);
  }
  texts.title = "About " + name;
  texts.body = name + "\n\nVersion " + version;
  return texts;
}

}  // namespace vt::shell
