#pragma once

// A binary profile file (*.dat) as the command line takes it before it
// sends anything: exactly as long as its kind says, and holding only values
// the settings pages keep. Every file the panel writes passes: its records
// come from the pages, which put a code no list of theirs has back to the
// list's first entry.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "profiles/profile_text.h"

namespace vt::profiles {

// Empty when the file is sound; otherwise what is wrong, for example
// "652 bytes; a file of all sets is 608 bytes" or
// "set3.iso_speed: 4711 is not one of the values the page offers".
std::string CheckProfileFileBytes(std::span<const uint8_t> bytes);

// Reads a profile file in either form (ReadProfileFileAnyForm); a binary
// one must also pass CheckProfileFileBytes. The error names the file.
ProfileBytesResult ReadCheckedProfileFile(const std::filesystem::path& path);

}  // namespace vt::profiles
