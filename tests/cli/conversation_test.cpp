// One conversation with a board at a time: readers that loop beside a
// writer, on the board server and under the Linux lock, never spoil what the
// writer reads back or keeps, and never read a half-written block.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "../remote/board_server_process.h"
#include "cli/cli_app.h"
#include "devlink/board_claim.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/forwarding_hid_backend.h"
#include "platform/remote/remote_hid_backend.h"
#include "editor/headless_editor.h"
#include "profiles/profile_image.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"
#ifdef __linux__
#include "platform/hid_linux/board_write_lock.h"
#endif

#ifdef VT_BOARD_SERVER

namespace {

namespace fs = std::filesystem;
using namespace vt::platform;
using vt::platform::remote::RemoteHidBackend;
using vt::profiles::InfoBlockBytes;

// Under Wine each write costs seconds: fewer rounds there.
#ifdef _WIN32
constexpr int kWriterRounds = 2;
#else
constexpr int kWriterRounds = 8;
#endif

struct ServedBoard {
  ServedBoard()
      : dir(fs::temp_directory_path() / ("vt_conversation_" + std::to_string(getpid()))),
        address((fs::create_directories(dir), TestListenAddress(dir / "board.sock"))),
        server(VT_BOARD_SERVER, {"serve", "--listen", address}) {
    // A TCP server tells the port it took.
    if (address.ends_with(":0") && !server.Address().empty()) address = server.Address();
  }
  ~ServedBoard() {
    server.Stop();
    fs::remove_all(dir);
  }
  fs::path dir;
  std::string address;
  BoardServerProcess server;
};

std::string RunVelotrack(const std::vector<std::string>& args, int* code) {
  std::ostringstream out, err;
  *code = vt::cli::RunCli(args, out, err);
  return out.str() + err.str();
}

// Two readers loop beside a writer: `read` of memory the writer leaves alone
// and `profiles get` of the very setting it changes. Each `profiles set`
// must keep every other setting and say OK only when it holds; each read
// must show the memory as it is and the setting as written before or after.
TEST(OneConversationAtATime, ReadersBesideAWriterOnTheBoardServer) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  // A write under an emulator can outlast the default busy wait; what the
  // readers see is the point here, not how long they wait.
  const std::vector<std::string> base = {"--board", board.address, "--busy-wait", "600"};
  auto with = [&](std::vector<std::string> rest) {
    std::vector<std::string> args = base;
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  };
  int code = 0;
  const std::string memory = RunVelotrack(with({"read", "0x2800", "120"}), &code);
  ASSERT_EQ(code, 0) << memory;
  const std::vector<std::string> allSets = {"profiles", "get", "set1", "set2", "set3", "set4", "set5", "set6", "set7"};
  const std::string before = RunVelotrack(with(allSets), &code);
  ASSERT_EQ(code, 0) << before;
  const std::string values[] = {"\"10 sec\"", "\"20 sec\""};
  const std::string key = "set3.interval = ";

  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::vector<std::string> wrong;
  std::mutex wrongLock;
  auto note = [&](const std::string& what) {
    const std::lock_guard<std::mutex> hold(wrongLock);
    wrong.push_back(what);
  };
  std::thread memoryReader([&] {
    while (!done) {
      int rc = 0;
      const std::string got = RunVelotrack(with({"read", "0x2800", "120"}), &rc);
      if (rc != 0 || got != memory) note("read: " + got);
      ++reads;
    }
  });
  std::thread settingReader([&] {
    while (!done) {
      int rc = 0;
      const std::string got = RunVelotrack(with({"profiles", "get", "set3.interval"}), &rc);
      const std::string shown = got.substr(0, got.find('\n'));
      const bool known = shown == key + values[0] || shown == key + values[1] ||
                         before.find(shown + "\n") != std::string::npos;
      if (rc != 0 || !known) note("get: " + got);
      ++reads;
    }
  });
  std::string written;
  for (int round = 0; round < kWriterRounds; ++round) {
    written = values[round % 2];
    const std::string said = RunVelotrack(with({"profiles", "set", "set3.interval=" + written.substr(1, written.size() - 2),
                                       "--yes", "--backup-dir", (board.dir / "backups").string()}),
                                 &code);
    EXPECT_EQ(code, 0) << said;
    EXPECT_NE(said.find("OK\n"), std::string::npos) << said;
  }
  done = true;
  memoryReader.join();
  settingReader.join();
  EXPECT_GT(reads.load(), 0);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong reads, the first: " << wrong.front();

  // Only the one setting changed.
  std::string expected = before;
  const size_t at = expected.find(key);
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, expected.find('\n', at) - at, key + written);
  EXPECT_EQ(RunVelotrack(with(allSets), &code), expected);
}

// The Linux lock is an flock() on the board's node; here every client takes
// it on one file beside a board server whose own claims are never asked, so
// only the lock keeps the conversations apart.
#ifdef __linux__
class FlockedHid final : public ForwardingHidBackend {
 public:
  FlockedHid(HidBackend& inner, std::string node) : ForwardingHidBackend(inner), node_(std::move(node)) {}
  int Claim(const std::string& path, const std::string& who, std::string* holder) override {
    (void)path;
    (void)who;
    return lock_.Take(node_, holder);
  }
  void Release(const std::string& path) override {
    (void)path;
    lock_.Release(node_);
  }

 private:
  hidraw::BoardWriteLock lock_;
  std::string node_;
};

// A program of its own: a connection, the lock and a link.
struct Program {
  Program(const std::string& address, const std::string& node) : remote(address), hid(remote, node) {
    link.SetClaimWaitMs(20000);
    found = link.LoadDll() && link.USBDeviceDetect_Win32();
  }
  RemoteHidBackend remote;
  FlockedHid hid;
  SystemClock clock;
  DebugLog log;
  vt::devlink::BoardLink link{hid, clock, log};
  bool found = false;
};

// The writer puts back two blocks in turn (read and back up, erase,
// program, verify); the readers read the whole block meanwhile. Every read
// is one block or the other, never a mix, and every write verifies.
TEST(OneConversationAtATime, ReadersBesideAWriterUnderTheLinuxLock) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  const std::string node = (board.dir / "hidraw-lock").string();
  std::ofstream(node).put('\0');
  Program writer(board.address, node);
  ASSERT_TRUE(writer.found);
  vt::profiles::HeadlessEditor editor;
  vt::profiles::EditorTransferUi pages(editor.Editor(), writer.link.Identity());
  vt::profiles::ProfileTransfer transfer(writer.link, pages);
  transfer.SetBackupRoot(board.dir / "backups");
  const auto first = transfer.ReadInfoBlock();
  ASSERT_TRUE(first.has_value());
  const auto where = vt::profiles::LocateProfileImage(*first);
  ASSERT_EQ(where.result, vt::profiles::ImageLookup::kFound);
  InfoBlockBytes second = *first;
  second[where.payloadOffset + 10] ^= 0x01;
  const InfoBlockBytes* blocks[] = {first.operator->(), &second};

  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, mixed{0};
  auto reader = [&] {
    Program me(board.address, node);
    if (!me.found) ++mixed;
    const uint32_t address = vt::flash::InfoBlockAddress(me.link.Identity());
    while (!done && me.found) {
      InfoBlockBytes got{};
      const bool ok = vt::flash::ReadBoardMemory(me.link, address, vt::flash::kInfoBlockSize, got.data());
      if (!ok || (got != *blocks[0] && got != *blocks[1])) ++mixed;
      ++reads;
    }
  };
  std::thread a(reader), b(reader);
  int round = 0;
  for (; round < kWriterRounds; ++round) {
    EXPECT_TRUE(transfer.RestoreInfoBlock(*blocks[(round + 1) % 2])) << transfer.LastMessage();
  }
  done = true;
  a.join();
  b.join();
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(mixed.load(), 0);
  EXPECT_EQ(transfer.ReadInfoBlock(), *blocks[round % 2]);
}
#endif

}  // namespace

#endif
