#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vt::platform {

// Writes `bytes` over an existing file's bytes from `offset` on and flushes
// them to disk before returning, so they survive the program dying right
// after. For files of a fixed layout whose parts change in place (a
// board's flash kept in a file). Empty on success, else "PATH: reason".
std::string OverwriteFileAt(const std::filesystem::path& path, uint64_t offset, std::span<const uint8_t> bytes);

}  // namespace vt::platform
