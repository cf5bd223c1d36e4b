#pragma once

#include <map>
#include <string>

namespace vt::platform::hidraw {

// The right to talk to a board among the programs on this machine: an
// advisory flock() on the board's hidraw node, taken on a descriptor of its
// own. The panel and `velotrack` take it exclusively for every operation, a
// read of memory (one read pointer on the board) as much as a write of flash
// for its whole length; a program that sends single reports without it
// (an older one) takes it shared for the length of each write, so its
// reports never land inside another program's conversation. The kernel
// drops the lock with the descriptor, also when a program dies.
class BoardWriteLock {
 public:
  BoardWriteLock() = default;
  ~BoardWriteLock();
  BoardWriteLock(const BoardWriteLock&) = delete;
  BoardWriteLock& operator=(const BoardWriteLock&) = delete;

  // Takes the exclusive lock on `node` without waiting. Wait codes: 0 when
  // held (also when held already), 0x102 when another program holds it
  // (*holder says who as far as the system tells: "velotrack (pid 4242)"),
  // -1 when the node cannot be opened.
  int Take(const std::string& node, std::string* holder);
  void Release(const std::string& node);
  bool Holds(const std::string& node) const { return held_.count(node) != 0; }

 private:
  std::map<std::string, int> held_;  // node -> the descriptor holding it
};

// A write of one report on `fd` under the shared lock. False when another
// program holds the exclusive one (the report must not be sent); otherwise
// the lock is held until the Guard ends.
class SharedWriteGuard {
 public:
  explicit SharedWriteGuard(int fd);
  ~SharedWriteGuard();
  SharedWriteGuard(const SharedWriteGuard&) = delete;
  SharedWriteGuard& operator=(const SharedWriteGuard&) = delete;
  bool Allowed() const { return allowed_; }

 private:
  int fd_;
  bool allowed_ = false;
  bool locked_ = false;
};

// Who holds a lock on the file at `path`, from /proc/locks: "name (pid N)",
// "pid N", or empty when the system does not tell.
std::string LockHolderOf(const std::string& path);

}  // namespace vt::platform::hidraw
