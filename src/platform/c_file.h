#pragma once

#include <cstdio>
#include <filesystem>

namespace vt::platform {

// std::fopen for a path in any script: on Windows the name goes to the
// system as UTF-16 (_wfopen), elsewhere as the path's bytes. `mode` is the
// usual "rb", "r+b", "wb", ...
std::FILE* OpenCFile(const std::filesystem::path& path, const char* mode);

}  // namespace vt::platform
