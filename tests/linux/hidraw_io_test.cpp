#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <memory>

#include "platform/hid_linux/hidraw_io.h"
#include "platform/wait_codes.h"

namespace {

using namespace vt::platform;
using namespace vt::platform::hidraw;

// A datagram socket pair keeps report boundaries like a hidraw node.
struct Pair {
  Pair() { socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds); }
  ~Pair() {
    for (int fd : fds)
      if (fd >= 0) close(fd);
  }
  int fds[2] = {-1, -1};
};

TEST(HidrawIo, ReadHonoursTheBufferAndTheReportIdConvention) {
  Pair p;
  const uint8_t report[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(write(p.fds[1], report, sizeof report), 6);
  ASSERT_EQ(write(p.fds[1], report, sizeof report), 6);
  uint8_t buf[5] = {};
  size_t got = 0;
  // Device with report IDs: the ID is already the first byte; a short
  // buffer truncates the report rather than overrunning.
  EXPECT_EQ(BoundedRead(p.fds[0], std::span<uint8_t>(buf, 4), false, 100, &got), kWaitOk);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(buf[4], 0);
  // Without report IDs a zero goes in front.
  EXPECT_EQ(BoundedRead(p.fds[0], buf, true, 100, &got), kWaitOk);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 1);
  EXPECT_EQ(BoundedRead(p.fds[0], std::span<uint8_t>(buf, 1), true, 100, &got), kWaitFailed);
}

TEST(HidrawIo, ReadTimesOutAndReportsAVanishedDevice) {
  Pair p;
  uint8_t buf[8];
  size_t got = 0;
  EXPECT_EQ(BoundedRead(p.fds[0], buf, false, 5, &got), kWaitTimeout);
  close(p.fds[1]);
  p.fds[1] = -1;
  EXPECT_EQ(BoundedRead(p.fds[0], buf, false, 1000, &got), kWaitFailed);  // hang-up, at once
  EXPECT_EQ(got, 0u);
}

TEST(HidrawIo, WriteSucceedsTimesOutWhenFullAndFailsWhenGone) {
  std::signal(SIGPIPE, SIG_IGN);
  Pair p;
  auto file = std::make_shared<HidrawFile>(dup(p.fds[0]));
  std::shared_ptr<PendingWrite> pending;
  const std::vector<uint8_t> report(64, 0xA5);
  EXPECT_EQ(BoundedWrite(file, pending, report, 500), kWaitOk);
  uint8_t buf[64];
  EXPECT_EQ(read(p.fds[1], buf, sizeof buf), 64);

  // Fill the peer's queue: the device "does not take" the report in time.
  int result = kWaitOk;
  for (int i = 0; i < 10000 && result == kWaitOk; ++i) result = BoundedWrite(file, pending, report, 5);
  EXPECT_EQ(result, kWaitTimeout);

  close(p.fds[1]);
  p.fds[1] = -1;
  EXPECT_EQ(BoundedWrite(file, pending, report, 500), kWaitFailed);
  EXPECT_EQ(BoundedWrite(nullptr, pending, report, 500), kWaitFailed);
}

}  // namespace

namespace {

using namespace vt::platform;
using namespace vt::platform::hidraw;

// The kernel may hold a hidraw write long after poll() said the node is
// writable. A pipe with a blocking write end does the same once a write is
// larger than the room left, so the write must be abandoned at the deadline
// and the next write must wait for it.
TEST(HidrawIo, WriteHeldByTheKernelIsAbandonedAtTheDeadline) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int capacity = fcntl(fds[1], F_GETPIPE_SZ);
  ASSERT_GT(capacity, 8192);
  const std::vector<uint8_t> filler(static_cast<size_t>(capacity) - 5000, 0x11);
  ASSERT_EQ(write(fds[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));

  auto file = std::make_shared<HidrawFile>(fds[1]);
  std::shared_ptr<PendingWrite> pending;
  const std::vector<uint8_t> big(8000, 0x22);
  EXPECT_EQ(BoundedWrite(file, pending, big, 20), kWaitTimeout);
  // Still held: a second write gives up within its own wait.
  EXPECT_EQ(BoundedWrite(file, pending, big, 5), kWaitTimeout);

  // The reader drains the pipe; the abandoned write completes and a new one
  // goes through.
  std::vector<uint8_t> sink(static_cast<size_t>(capacity));
  size_t drained = 0;
  while (drained < filler.size() + big.size()) {
    const ssize_t n = read(fds[0], sink.data(), sink.size());
    ASSERT_GT(n, 0);
    drained += static_cast<size_t>(n);
  }
  EXPECT_EQ(BoundedWrite(file, pending, std::vector<uint8_t>(16, 0x33), 1000), kWaitOk);
  close(fds[0]);
}

}  // namespace
