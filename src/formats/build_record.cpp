#include "formats/build_record.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "platform/file_io.h"
#include "platform/c_file.h"
#include "platform/utf8_path.h"

namespace vt::formats {

namespace {

// 1601-01-01 to 1970-01-01 in 100-ns ticks.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

uint64_t Le64(std::span<const uint8_t> bytes, size_t at) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) {
    const uint8_t b = at + i < bytes.size() ? bytes[at + i] : 0;
    v |= static_cast<uint64_t>(b) << (8 * i);
  }
  return v;
}

}  // namespace

std::string ProgramPathFromCommandLine(const std::string& commandLine) {
  if (commandLine.size() > 1) {
    const size_t quote = commandLine.find('"', 1);
    if (quote != std::string::npos) return commandLine.substr(1, quote - 1);
  }
  return commandLine;
}

uint64_t ToFileTime(std::filesystem::file_time_type time) {
  using namespace std::chrono;
  const auto system = file_clock::to_sys(time);
  const auto ticks = duration_cast<duration<int64_t, std::ratio<1, 10000000>>>(
      system.time_since_epoch());
  return static_cast<uint64_t>(ticks.count()) + kUnixEpochTicks;
}

std::optional<BuildRecord> UpdatedBuildRecord(std::span<const uint8_t> stored, uint64_t fileTime,
                                              uint32_t build) {
  if (Le64(stored, 4) == fileTime) return std::nullopt;
  BuildRecord record{};
  for (size_t i = 0; i < 4; ++i) record[i] = static_cast<uint8_t>(build >> (8 * i));
  for (size_t i = 0; i < 8; ++i) record[4 + i] = static_cast<uint8_t>(fileTime >> (8 * i));
  return record;
}

BuildRecordResult UpdateBuildRecord(const std::filesystem::path& directory,
                                    const std::string& commandLine, uint32_t build) {
  const std::filesystem::path recordPath = directory / kBuildRecordFileName;
  // Read and write in place; a missing file is never created. Only a regular
  // file is opened: a FIFO of that name would block the start.
  if (!platform::IsRegularFile(recordPath)) return BuildRecordResult::kNoRecordFile;
  std::FILE* file = platform::OpenCFile(recordPath, "r+b");
  if (file == nullptr) return BuildRecordResult::kNoRecordFile;
  BuildRecord stored{};
  const size_t got = std::fread(stored.data(), 1, stored.size(), file);
  if (std::ferror(file) != 0) {
    std::fclose(file);
    return BuildRecordResult::kNoRecordFile;
  }

  std::error_code ec;
  const std::filesystem::path program = platform::PathFromUtf8(ProgramPathFromCommandLine(commandLine));
  const auto written = std::filesystem::last_write_time(program, ec);
  if (ec) {
    std::fclose(file);
    return BuildRecordResult::kNoProgramFile;
  }
  const auto record =
      UpdatedBuildRecord(std::span<const uint8_t>(stored.data(), got), ToFileTime(written), build);
  if (!record) {
    std::fclose(file);
    return BuildRecordResult::kUnchanged;
  }
  const bool ok = std::fseek(file, 0, SEEK_SET) == 0 &&
                  std::fwrite(record->data(), 1, record->size(), file) == record->size();
  const bool closed = std::fclose(file) == 0;
  return ok && closed ? BuildRecordResult::kUpdated : BuildRecordResult::kWriteFailed;
}

}  // namespace vt::formats
