#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

}  // namespace

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // some file systems refuse this for folders; the rename stands
  ::close(fd);
}

std::filesystem::path WriteTempBeside(const std::filesystem::path& path,
                                      std::span<const uint8_t> bytes, std::string* error) {
  // mkstemp makes a name nobody else holds, in the target's own folder so
  // that giving it the final name never copies data.
  const std::filesystem::path folder = path.parent_path();
  std::string name = (folder.empty() ? std::string() : folder.string() + "/") + "." +
                     path.filename().string() + ".tmp-XXXXXX";
  std::vector<char> pattern(name.begin(), name.end());
  pattern.push_back('\0');
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return {};
  }
  const std::filesystem::path temp(pattern.data());
  ::fchmod(fd, 0644);
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int writeErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    *error = std::strerror(!written ? writeErrno : errno);
    ::unlink(temp.c_str());
    return {};
  }
  return temp;
}

NewFileResult PublishNewFile(const std::filesystem::path& temp, const std::filesystem::path& path,
                             std::string* error) {
  // link() fails when the name exists: an existing file is never replaced.
  const int linked = ::link(temp.c_str(), path.c_str());
  const int linkErrno = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && linkErrno == EEXIST) return NewFileResult::kExists;
  if (linked != 0) {
    *error = std::strerror(linkErrno);
    return NewFileResult::kFailed;
  }
  SyncFolder(path.parent_path());
  return NewFileResult::kWritten;
}

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  const std::filesystem::path temp = WriteTempBeside(path, bytes, error);
  if (temp.empty()) return NewFileResult::kFailed;
  return PublishNewFile(temp, path, error);
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
