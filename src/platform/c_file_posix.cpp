#include "platform/c_file.h"

namespace vt::platform {

std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace vt::platform
