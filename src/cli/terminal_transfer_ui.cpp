#include "cli/terminal_transfer_ui.h"

#include <istream>

#include "cli/text_format.h"

namespace vt::cli {

bool TerminalTransferUi::Ask(std::string_view text, std::string_view caption) {
  if (yes_) return true;
  if (!interactive_) {
    ctx_.Fail("\"" + OneLine(text) + "\" needs an answer: run again with --yes (stdin is not a terminal)");
    return false;
  }
  ctx_.out << caption << ": " << OneLine(text) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(in_, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
    ctx_.out << "Nothing done.\n";
    return false;
  }
  return true;
}

void TerminalTransferUi::ShowMessage(std::string_view text, std::string_view caption) {
  messages_.push_back(std::string(caption) + ": " + OneLine(text));
}

}  // namespace vt::cli
