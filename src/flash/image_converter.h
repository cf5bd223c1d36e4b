#pragma once

#include <filesystem>

namespace vt::flash {

// Writes the stored form of `input` to `output`. False (and nothing
// written) when the input cannot be read or is empty, or the output cannot
// be written.
bool ConvertImage(const std::filesystem::path& input, const std::filesystem::path& output);

// The converter mode: "usbfw.elf" in `dir` becomes "usbfw.vt" there. Shows
// nothing either way.
bool ConvertImageFile(const std::filesystem::path& dir = ".");

}  // namespace vt::flash
