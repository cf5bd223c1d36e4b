#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <memory>

#include "platform/linux/hidraw_io.h"
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
