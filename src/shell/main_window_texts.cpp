// Texts the main window derives: the About box. (The status texts are
// profiles::StatusText.)
#include <string>

#include "shell/main_window.h"

namespace vt::shell {

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
