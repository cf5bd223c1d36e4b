#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/new_file.h"

namespace vt::platform {

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  // O_EXCL: an existing file is never replaced.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EEXIST) return NewFileResult::kExists;
  if (fd < 0) {
    *error = std::strerror(errno);
    return NewFileResult::kFailed;
  }
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int writeErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    *error = std::strerror(!written ? writeErrno : errno);
    ::unlink(path.c_str());
    return NewFileResult::kFailed;
  }
  SyncFolder(path.parent_path());
  return NewFileResult::kWritten;
}

std::filesystem::path UserBackupRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::filesystem::path(data) / "velotrack" / "backups";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return std::filesystem::path(home) / ".local" / "share" / "velotrack" / "backups";
  }
  return {};
}

const char* UserBackupRootText() {
  return "$XDG_DATA_HOME/velotrack/backups, else ~/.local/share/velotrack/backups";
}

bool UtcTime(std::time_t when, std::tm* out) { return gmtime_r(&when, out) != nullptr; }

}  // namespace vt::platform
