#include "platform/hid_linux/board_write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/wait_codes.h"

namespace vt::platform::hidraw {

BoardWriteLock::~BoardWriteLock() {
  for (const auto& [node, fd] : held_) ::close(fd);
}

int BoardWriteLock::Take(const std::string& node, std::string* holder) {
  if (Holds(node)) return kWaitOk;
  // Read access is enough for flock(), and opening the node read-only does
  // not make this program a writer of the device.
  const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kWaitFailed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK) return kWaitFailed;
    const std::string who = LockHolderOf(node);
    *holder = who.empty() ? "another program" : who;
    return kWaitTimeout;
  }
  held_[node] = fd;
  return kWaitOk;
}

void BoardWriteLock::Release(const std::string& node) {
  const auto it = held_.find(node);
  if (it == held_.end()) return;
  ::close(it->second);
  held_.erase(it);
}

SharedWriteGuard::SharedWriteGuard(int fd) : fd_(fd) {
  if (::flock(fd_, LOCK_SH | LOCK_NB) == 0) {
    locked_ = true;
    allowed_ = true;
  } else {
    // Only another program's exclusive lock keeps the report back; a node
    // that cannot be locked at all is written as before.
    allowed_ = errno != EWOULDBLOCK;
  }
}

SharedWriteGuard::~SharedWriteGuard() {
  if (locked_) ::flock(fd_, LOCK_UN);
}

std::string LockHolderOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  // /proc/locks names a file as MAJOR:MINOR:INODE, the device in hex.
  char id[64];
  std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    // "1: FLOCK  ADVISORY  WRITE 4242 00:05:1087 0 EOF"; waiters have "->".
    if (line.find("->") != std::string::npos) continue;
    std::istringstream fields(line);
    std::string ordinal, kind, mode, access, pid, file;
    if (!(fields >> ordinal >> kind >> mode >> access >> pid >> file) || file != id) continue;
    std::string name;
    std::ifstream comm("/proc/" + pid + "/comm");
    std::getline(comm, name);
    return name.empty() ? "pid " + pid : name + " (pid " + pid + ")";
  }
  return {};
}

}  // namespace vt::platform::hidraw
