#include "platform/program_text.h"

namespace vt::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  if (argc < 1 || argv == nullptr) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

// Terminals take UTF-8 bytes as they are.
class ConsoleText::Impl {};

ConsoleText::ConsoleText() = default;
ConsoleText::~ConsoleText() = default;

}  // namespace vt::platform
