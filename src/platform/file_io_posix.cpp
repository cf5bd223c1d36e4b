// POSIX side of the file helpers: open/fstat/fsync/rename.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>

#include "platform/file_io.h"
#include "platform/new_file.h"

namespace vt::platform {

namespace {

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::kDevice;
  return FileKind::kOther;
}

std::string ErrnoText(int error) { return std::strerror(error); }

FileFault FaultForErrno(int error) {
  if (error == ENOENT || error == ENOTDIR) return FileFault::kMissing;
  if (error == EISDIR) return FileFault::kDirectory;
  return FileFault::kIo;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, int* error) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The file a symbolic link finally names, so replacing it keeps the link.
std::filesystem::path FollowLinks(const std::filesystem::path& path) {
  std::filesystem::path current = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(current, ec)) return current;
    const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
    if (ec) return current;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current;
}

std::string TempNameFor(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  return "." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(random() & 0xFFFFFu);
}

}  // namespace

FileKind KindOfPath(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileKind::kMissing;
  return KindOfMode(st.st_mode);
}

FileReadResult ReadRegularFile(const std::filesystem::path& path, size_t limit, SizeRule rule) {
  FileReadResult result;
  // Devices are refused before they are opened: opening one can have effects.
  if (const FileKind before = KindOfPath(path);
      before != FileKind::kRegular && before != FileKind::kMissing) {
    result.fault = OutputFaultFor(before);
    result.message = FileFaultMessage(path, result.fault);
    return result;
  }
  // O_NONBLOCK: opening a FIFO for reading must not wait for a writer; it is
  // refused right after by fstat.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    result.fault = FaultForErrno(error);
    result.message = FileFaultMessage(path, result.fault,
                                      result.fault == FileFault::kIo ? ErrnoText(error) : "");
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    result.fault = FileFault::kIo;
    result.message = FileFaultMessage(path, result.fault, ErrnoText(error));
    return result;
  }
  const FileKind kind = KindOfMode(st.st_mode);
  if (kind != FileKind::kRegular) {
    ::close(fd);
    result.fault = OutputFaultFor(kind);
    result.message = FileFaultMessage(path, result.fault);
    return result;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (rule == SizeRule::kRefuseLarger && size > limit) {
    ::close(fd);
    result.fault = FileFault::kTooLarge;
    result.message = FileFaultMessage(
        path, result.fault,
        std::to_string(size) + " bytes; at most " + std::to_string(limit) + " expected");
    return result;
  }
  // Read at most one byte past the limit so a file that grew meanwhile is
  // still noticed without reading it whole.
  const size_t want =
      rule == SizeRule::kRefuseLarger && limit < SIZE_MAX ? limit + 1 : limit;
  result.bytes.resize(static_cast<size_t>(std::min<uint64_t>(size, want)));
  size_t got = 0;
  while (true) {
    if (got == result.bytes.size()) {
      if (result.bytes.size() >= want) break;
      result.bytes.resize(std::min(want, result.bytes.size() + 4096));
    }
    const ssize_t n = ::read(fd, result.bytes.data() + got, result.bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      result.bytes.clear();
      result.fault = FileFault::kIo;
      result.message = FileFaultMessage(path, result.fault, ErrnoText(error));
      return result;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  result.bytes.resize(got);
  if (rule == SizeRule::kRefuseLarger && got > limit) {
    result.bytes.clear();
    result.fault = FileFault::kTooLarge;
    result.message = FileFaultMessage(path, result.fault,
                                      "more than " + std::to_string(limit) + " bytes");
    return result;
  }
  result.fault = FileFault::kNone;
  return result;
}

FileWriteResult WriteFileAtomically(const std::filesystem::path& requested,
                                    std::span<const uint8_t> bytes) {
  FileWriteResult result;
  const std::filesystem::path path = FollowLinks(requested);
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  if (existed) {
    const FileFault refused = OutputFaultFor(KindOfMode(old.st_mode));
    if (refused != FileFault::kNone) {
      result.fault = refused;
      result.message = FileFaultMessage(requested, refused, "not replaced");
      return result;
    }
  }
  const std::filesystem::path folder = path.parent_path();
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder / TempNameFor(path);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int error = errno;
    result.fault = FaultForErrno(error) == FileFault::kMissing ? FileFault::kMissing : FileFault::kIo;
    result.message = FileFaultMessage(requested, FileFault::kIo,
                                      "cannot create a file in its folder: " + ErrnoText(error));
    return result;
  }
  int error = 0;
  bool ok = WriteAll(fd, bytes.data(), bytes.size(), &error);
  // An existing file keeps its permissions; a new one gets the umask's.
  if (ok && existed && ::fchmod(fd, old.st_mode & 07777) != 0) {
    error = errno;
    ok = false;
  }
  if (ok && ::fsync(fd) != 0) {
    error = errno;
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    error = errno;
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    result.fault = FileFault::kIo;
    result.message = FileFaultMessage(requested, FileFault::kIo, ErrnoText(error));
    return result;
  }
  SyncFolder(folder);
  result.fault = FileFault::kNone;
  return result;
}

LogOpenResult OpenLogStream(const std::filesystem::path& path, LogTarget target) {
  LogOpenResult result;
  // O_NONBLOCK keeps a FIFO without a reader from blocking the open (it
  // fails with ENXIO instead); the flag is cleared once the kind is known.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    const int error = errno;
    if (error == ENXIO) {
      result.message = FileFaultMessage(path, FileFault::kFifo, "nothing reads from it");
    } else {
      result.message = FileFaultMessage(path, FaultForErrno(error), ErrnoText(error));
    }
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    result.message = FileFaultMessage(path, FileFault::kIo, ErrnoText(errno));
    ::close(fd);
    return result;
  }
  const FileKind kind = KindOfMode(st.st_mode);
  const bool accepted =
      kind == FileKind::kRegular ||
      (target == LogTarget::kFileOrStream && (kind == FileKind::kFifo || kind == FileKind::kDevice));
  if (!accepted) {
    result.message = FileFaultMessage(path, OutputFaultFor(kind), "not used as a log");
    ::close(fd);
    return result;
  }
  if (kind == FileKind::kRegular && ::ftruncate(fd, 0) != 0) {
    result.message = FileFaultMessage(path, FileFault::kIo, ErrnoText(errno));
    ::close(fd);
    return result;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  result.stream = ::fdopen(fd, "wb");
  if (result.stream == nullptr) {
    result.message = FileFaultMessage(path, FileFault::kIo, ErrnoText(errno));
    ::close(fd);
  }
  return result;
}

}  // namespace vt::platform

#endif  // _WIN32
