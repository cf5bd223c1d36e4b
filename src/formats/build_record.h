#pragma once

// The build record build.dat: 12 bytes, little-endian, no header: the build
// number (4 bytes) and the program file's last-write time as a Windows file
// time (8 bytes, 100-ns ticks since 1601-01-01, low half first). It is only
// ever updated in a file that already exists; the panel never creates it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace vt::formats {

inline constexpr size_t kBuildRecordSize = 12;
using BuildRecord = std::array<uint8_t, kBuildRecordSize>;
inline constexpr const char* kBuildRecordFileName = "build.dat";

// The program file's path from the full command line: when a double quote
// follows the first character, the text from the second character up to
// that quote; otherwise the whole line.
std::string ProgramPathFromCommandLine(const std::string& commandLine);

// Windows file time of a point in time on the system clock.
uint64_t ToFileTime(std::filesystem::file_time_type time);

// The record as it must be after a start with the program file written at
// `fileTime`: nothing when the stored time (bytes 4-11 of `stored`, missing
// bytes read as 0) already equals it, else the full record with build
// number `build`.
std::optional<BuildRecord> UpdatedBuildRecord(std::span<const uint8_t> stored, uint64_t fileTime,
                                              uint32_t build);

enum class BuildRecordResult : uint8_t {
  kNoRecordFile,    // build.dat absent or not readable and writable
  kNoProgramFile,   // the program file was not found
  kUnchanged,       // times equal
  kUpdated,
  kWriteFailed,
};

// Updates `directory`/build.dat for the program named by `commandLine`.
BuildRecordResult UpdateBuildRecord(const std::filesystem::path& directory,
                                    const std::string& commandLine, uint32_t build);

}  // namespace vt::formats
