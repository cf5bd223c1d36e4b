#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_io.h"
#include "tests/support/temp_path.h"

namespace fs = std::filesystem;
using vt::platform::FileFault;
using vt::platform::LogTarget;
using vt::platform::SizeRule;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class FileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt_file_io_test");
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  size_t EntriesInDir() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

TEST_F(FileIo, AtomicWriteReplacesContentsKeepsModeAndLeavesNoTemporaryFile) {
  const fs::path target = dir_ / "profiles.dat";
  { std::ofstream(target) << "old"; }
  ::chmod(target.c_str(), 0640);
  const auto written = vt::platform::WriteFileAtomically(target, std::string_view("new contents"));
  ASSERT_TRUE(written.ok()) << written.message;
  EXPECT_EQ(ReadAll(target), "new contents");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesInDir(), 1u);

  // A new file in a fresh place, and a link whose target is replaced while
  // the link itself stays a link.
  const fs::path linked = dir_ / "link.dat";
  fs::create_symlink(target, linked);
  ASSERT_TRUE(vt::platform::WriteFileAtomically(linked, std::string_view("via link")).ok());
  EXPECT_TRUE(fs::is_symlink(linked));
  EXPECT_EQ(ReadAll(target), "via link");
}

TEST_F(FileIo, OutputsThatAreNotFilesAreRefusedAndLeftAlone) {
  const fs::path folder = dir_ / "out.txt";
  fs::create_directory(folder);
  const fs::path fifo = dir_ / "pipe.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  const auto onFolder = vt::platform::WriteFileAtomically(folder, std::string_view("x"));
  EXPECT_EQ(onFolder.fault, FileFault::kDirectory);
  EXPECT_NE(onFolder.message.find("is a directory"), std::string::npos) << onFolder.message;
  EXPECT_TRUE(fs::is_directory(folder));

  EXPECT_EQ(vt::platform::WriteFileAtomically(fifo, std::string_view("x")).fault, FileFault::kFifo);
  EXPECT_TRUE(fs::is_fifo(fifo));

  // As root a rename over /dev/null would succeed and destroy the node.
  const auto onDevice = vt::platform::WriteFileAtomically("/dev/null", std::string_view("x"));
  EXPECT_EQ(onDevice.fault, FileFault::kDevice);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(FileIo, FailedWriteKeepsTheOldFileWhole) {
  const fs::path target = dir_ / "keep.dat";
  { std::ofstream(target) << "precious"; }
  // A file size limit makes the write of the new contents fail half-way,
  // as a full disk would, even for root.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto written = vt::platform::WriteFileAtomically(target, std::string(100, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written.ok());
  EXPECT_NE(written.message.find("keep.dat"), std::string::npos) << written.message;
  EXPECT_EQ(ReadAll(target), "precious");
  EXPECT_EQ(EntriesInDir(), 1u);  // the temporary file is gone
}

TEST_F(FileIo, ReadRefusesWhatIsNotARegularFileWithoutBlocking) {
  const fs::path fifo = dir_ / "in.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto fromFifo = vt::platform::ReadRegularFile(fifo, 100);  // must not hang
  EXPECT_EQ(fromFifo.fault, FileFault::kFifo);
  EXPECT_NE(fromFifo.message.find("FIFO"), std::string::npos);

  EXPECT_EQ(vt::platform::ReadRegularFile(dir_, 100).fault, FileFault::kDirectory);
  EXPECT_EQ(vt::platform::ReadRegularFile("/dev/zero", 100).fault, FileFault::kDevice);
  EXPECT_EQ(vt::platform::ReadRegularFile(dir_ / "absent", 100).fault, FileFault::kMissing);
}

TEST_F(FileIo, ReadHonoursTheSizeLimit) {
  const fs::path big = dir_ / "big.elf";
  { std::ofstream(big) << std::string(1000, 'a'); }
  // A sparse 3 GB file is refused from its size alone, not read.
  const fs::path huge = dir_ / "huge.elf";
  {
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 3LL << 30), 0);
    ::close(fd);
  }
  const auto refused = vt::platform::ReadRegularFile(huge, 1 << 20);
  EXPECT_EQ(refused.fault, FileFault::kTooLarge);
  EXPECT_TRUE(refused.bytes.empty());
  EXPECT_NE(refused.message.find("too large"), std::string::npos);

  EXPECT_EQ(vt::platform::ReadRegularFile(big, 999).fault, FileFault::kTooLarge);
  const auto exact = vt::platform::ReadRegularFile(big, 1000);
  ASSERT_TRUE(exact.ok());
  EXPECT_EQ(exact.bytes.size(), 1000u);
  const auto prefix = vt::platform::ReadRegularFile(big, 10, SizeRule::kFirstBytes);
  ASSERT_TRUE(prefix.ok());
  EXPECT_EQ(prefix.bytes.size(), 10u);
}

TEST_F(FileIo, LogStreamsRefuseFoldersAndPipesWithoutReaders) {
  const fs::path folder = dir_ / "debug.log";
  fs::create_directory(folder);
  const auto onFolder = vt::platform::OpenLogStream(folder, LogTarget::kFileOrStream);
  EXPECT_EQ(onFolder.stream, nullptr);
  EXPECT_NE(onFolder.message.find("directory"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(folder));

  const fs::path fifo = dir_ / "trace.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(vt::platform::OpenLogStream(fifo, LogTarget::kFileOrStream).stream, nullptr);
  EXPECT_EQ(vt::platform::OpenLogStream("/dev/null", LogTarget::kRegularFile).stream, nullptr);

  auto device = vt::platform::OpenLogStream("/dev/null", LogTarget::kFileOrStream);
  ASSERT_NE(device.stream, nullptr) << device.message;
  std::fclose(device.stream);

  const fs::path file = dir_ / "old.log";
  { std::ofstream(file) << "old records"; }
  auto log = vt::platform::OpenLogStream(file, LogTarget::kRegularFile);
  ASSERT_NE(log.stream, nullptr);
  std::fputs("new", log.stream);
  std::fclose(log.stream);
  EXPECT_EQ(ReadAll(file), "new");
}

}  // namespace
