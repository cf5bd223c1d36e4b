#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vt::platform {

// Every text in the programs is UTF-8 (arguments, file-dialog answers,
// settings). A std::filesystem::path made straight from a std::string is
// decoded through the C library's locale, which on Windows is the ANSI code
// page and loses every letter outside it; these two go through char8_t, so
// a name in any script reaches the system intact on every platform.
std::filesystem::path PathFromUtf8(std::string_view text);

// The path as UTF-8, for messages, logs and files that name it.
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace vt::platform
