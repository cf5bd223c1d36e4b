#include "platform/hid_linux/hidraw_io.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/wait_codes.h"
#include "platform/poll_deadline.h"

namespace vt::platform::hidraw {

namespace {

using SteadyClock = std::chrono::steady_clock;

int RemainingMs(SteadyClock::time_point deadline) {
  return RemainingPollMs(deadline, 3'600'000);
}

// Waits for `events` on fd until the deadline: 0 ready, 0x102 time-out, -1
// when the device hung up or failed.
int PollUntil(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, RemainingMs(deadline));
    if (rc < 0) {
      if (errno == EINTR) continue;
      return kWaitFailed;
    }
    if (rc == 0) return kWaitTimeout;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return kWaitFailed;
    if (p.revents & events) return kWaitOk;
  }
}

}  // namespace

HidrawFile::~HidrawFile() {
  if (fd_ >= 0) close(fd_);
}

std::shared_ptr<HidrawFile> OpenHidraw(const std::string& devnode) {
  const int fd = open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_shared<HidrawFile>(fd);
}

int BoundedWrite(const std::shared_ptr<HidrawFile>& file, std::shared_ptr<PendingWrite>& pending,
                 std::span<const uint8_t> report, uint32_t waitMs) {
  if (!file || report.empty()) return kWaitFailed;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(waitMs);

  if (pending) {
    std::unique_lock lock(pending->mu);
    if (!pending->cv.wait_until(lock, deadline, [&] { return pending->done; })) {
      return kWaitTimeout;  // the earlier write still holds the device
    }
  }
  if (const int ready = PollUntil(file->Fd(), POLLOUT, deadline); ready != kWaitOk) return ready;

  auto job = std::make_shared<PendingWrite>();
  pending = job;
  std::thread([file, job, data = std::vector<uint8_t>(report.begin(), report.end())] {
    ssize_t n;
    do {
      n = write(file->Fd(), data.data(), data.size());
    } while (n < 0 && errno == EINTR);
    std::lock_guard lock(job->mu);
    job->ok = n == static_cast<ssize_t>(data.size());
    job->done = true;
    job->cv.notify_all();
  }).detach();

  std::unique_lock lock(job->mu);
  if (!job->cv.wait_until(lock, deadline, [&] { return job->done; })) return kWaitTimeout;
  return job->ok ? kWaitOk : kWaitFailed;
}

int BoundedRead(int fd, std::span<uint8_t> buf, bool prependId, uint32_t waitMs, size_t* got) {
  *got = 0;
  const size_t offset = prependId ? 1 : 0;
  if (buf.size() <= offset) return kWaitFailed;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (const int ready = PollUntil(fd, POLLIN, deadline); ready != kWaitOk) return ready;
    const ssize_t n = read(fd, buf.data() + offset, buf.size() - offset);
    if (n > 0) {
      if (prependId) buf[0] = 0;
      *got = static_cast<size_t>(n) + offset;
      return kWaitOk;
    }
    // Someone else took the report, or a signal came: wait again.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    return kWaitFailed;  // ENODEV, EIO: the device went away
  }
}

}  // namespace vt::platform::hidraw
