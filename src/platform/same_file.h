#pragma once

#include <filesystem>

namespace vt::platform {

// True when both paths lead to one existing file: the same path, a
// symbolic link to it, or a hard link (the same device and inode; on
// Windows the same volume and file index). False when either is missing.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vt::platform
