#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

// Reads and writes on a hidraw node with the caller's bounded wait really
// honoured. The node is opened non-blocking and every wait is a poll() on a
// monotonic deadline. A hidraw write is the one call the kernel may hold
// (until its own USB time-out, whatever O_NONBLOCK says), so writes run on a
// helper thread and are abandoned, as an overlapped write would be, when the
// deadline passes first. The file stays open until the abandoned write ends.
namespace vt::platform::hidraw {

// A hidraw file descriptor shared by the handle and any write still running.
class HidrawFile {
 public:
  explicit HidrawFile(int fd) : fd_(fd) {}
  ~HidrawFile();
  HidrawFile(const HidrawFile&) = delete;
  HidrawFile& operator=(const HidrawFile&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_;
};

// The state of one write handed to the helper thread.
struct PendingWrite {
  std::mutex mu;
  std::condition_variable cv;
  bool done = false;
  bool ok = false;
};

// Opens a hidraw node for reading and writing, non-blocking. Null on failure.
std::shared_ptr<HidrawFile> OpenHidraw(const std::string& devnode);

// Writes `report` (report ID byte first). `pending` is the handle's last
// write: a new write first waits, within the same deadline, for that one to
// end. Wait codes: 0, 0x102 when the deadline passed, -1 when the device
// failed or went away.
int BoundedWrite(const std::shared_ptr<HidrawFile>& file, std::shared_ptr<PendingWrite>& pending,
                 std::span<const uint8_t> report, uint32_t waitMs);

// Reads one input report into `buf`. Devices without report IDs deliver the
// report without an ID byte; `prependId` puts a zero in front, so callers
// always see the ID first. Same wait codes.
int BoundedRead(int fd, std::span<uint8_t> buf, bool prependId, uint32_t waitMs, size_t* got);

}  // namespace vt::platform::hidraw
