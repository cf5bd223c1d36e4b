#include "platform/c_file.h"

#include <string>

namespace vt::platform {

std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode) {
  // Modes are plain ASCII.
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return ::_wfopen(path.c_str(), wideMode.c_str());
}

}  // namespace vt::platform
