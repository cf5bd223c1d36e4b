#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/hid_linux/board_write_lock.h"
#include "platform/wait_codes.h"

namespace {

using namespace vt::platform;
using namespace vt::platform::hidraw;

// Another program writing the same board: a child process that takes the
// lock, says so through a pipe and holds it until told to end.
class OtherWriter {
 public:
  explicit OtherWriter(const std::string& node) {
    int ready[2], end[2];
    if (pipe(ready) != 0 || pipe(end) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(end[1]);
      BoardWriteLock lock;
      std::string holder;
      const char took = lock.Take(node, &holder) == kWaitOk ? 'y' : 'n';
      (void)!write(ready[1], &took, 1);
      char c;
      (void)!read(end[0], &c, 1);
      _exit(0);
    }
    close(ready[1]);
    close(end[0]);
    end_ = end[1];
    char took = 0;
    held_ = read(ready[0], &took, 1) == 1 && took == 'y';
    close(ready[0]);
  }
  ~OtherWriter() { Finish(); }
  void Finish() {
    if (pid_ <= 0) return;
    close(end_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool Held() const { return held_; }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int end_ = -1;
  bool held_ = false;
};

TEST(BoardWriteLock, TwoLocalWritersNeverHoldOneBoardTogether) {
  const std::string node = ::testing::TempDir() + "hidraw-lock-" + std::to_string(getpid());
  std::ofstream(node).put('\0');
  {
    OtherWriter other(node);
    ASSERT_TRUE(other.Held());
    BoardWriteLock lock;
    std::string holder;
    EXPECT_EQ(lock.Take(node, &holder), kWaitTimeout);
    EXPECT_NE(holder.find("(pid " + std::to_string(other.Pid()) + ")"), std::string::npos) << holder;
    EXPECT_FALSE(lock.Holds(node));
    // A single report from this program is kept back meanwhile.
    const int fd = open(node.c_str(), O_RDONLY | O_CLOEXEC);
    { const SharedWriteGuard guard(fd); EXPECT_FALSE(guard.Allowed()); }

    other.Finish();  // the other program ends: the kernel drops its lock
    ASSERT_EQ(lock.Take(node, &holder), kWaitOk);
    EXPECT_EQ(lock.Take(node, &holder), kWaitOk);  // held already
    // Now the other way round: a child cannot take it, and a report sent
    // between two writes of its own holds the writer off while it lasts.
    OtherWriter second(node);
    EXPECT_FALSE(second.Held());
    second.Finish();
    lock.Release(node);
    {
      const SharedWriteGuard guard(fd);
      EXPECT_TRUE(guard.Allowed());
      EXPECT_EQ(lock.Take(node, &holder), kWaitTimeout);
    }
    EXPECT_EQ(lock.Take(node, &holder), kWaitOk);
    close(fd);
  }
  BoardWriteLock lock;
  std::string holder;
  EXPECT_EQ(lock.Take(node + "-missing", &holder), kWaitFailed);
  std::remove(node.c_str());
}

}  // namespace
