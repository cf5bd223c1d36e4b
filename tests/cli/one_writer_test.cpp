#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "../remote/board_server_process.h"
#include "cli/cli_app.h"
#include "devlink/board_link.h"
#include "devlink/flash_write_claim.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/remote/remote_hid_backend.h"

#ifdef VT_BOARD_SERVER

namespace {

namespace fs = std::filesystem;
using namespace vt::platform;
using vt::platform::remote::RemoteHidBackend;

struct ServedBoard {
  ServedBoard()
      : dir(fs::temp_directory_path() / ("vt_one_writer_" + std::to_string(getpid()))),
        address((fs::create_directories(dir), "unix:" + (dir / "board.sock").string())),
        server(VT_BOARD_SERVER, {"serve", "--listen", address}) {}
  ~ServedBoard() { fs::remove_all(dir); }
  fs::path dir;
  std::string address;
  BoardServerProcess server;
};

// A client with the board open, as a program in the middle of a write.
struct Client {
  explicit Client(const std::string& address) : hid(address) {
    if (!hid.Load()) return;
    const auto devices = hid.Enumerate();
    if (devices.empty()) return;
    path = devices[0].path;
    hid.Open(path, &handle);
  }
  RemoteHidBackend hid;
  std::string path;
  HidHandle handle = kInvalidHidHandle;
};

const std::string kPid = "(pid " + std::to_string(getpid()) + ")";

TEST(OneWriterPerBoard, TheServerGrantsFlashToOneClientAtATime) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  Client a(board.address);
  auto b = std::make_unique<Client>(board.address);
  ASSERT_NE(a.handle, kInvalidHidHandle);
  ASSERT_NE(b->handle, kInvalidHidHandle);

  std::string holder;
  ASSERT_EQ(a.hid.Claim(a.path, "velotrack profiles write", &holder), kWaitOk);
  EXPECT_EQ(a.hid.Claim(a.path, "velotrack profiles write", &holder), kWaitOk);  // its own already
  EXPECT_EQ(b->hid.Claim(b->path, "velotrack firmware update", &holder), kWaitTimeout);
  EXPECT_EQ(holder, "velotrack profiles write " + kPid);

  // The other client's reports and read-backs are held off; the serial,
  // which is the device's and not the flash's, is not.
  std::vector<uint8_t> report(65, 0);
  report[3] = 0xD0;
  EXPECT_EQ(b->hid.Write(b->handle, report, 500), kWaitTimeout);
  uint8_t buf[255];
  size_t got = 0;
  EXPECT_NE(b->hid.GetIndexedString(b->handle, 240, buf, &got), kWaitOk);
  EXPECT_EQ(b->hid.GetSerial(b->handle, buf, &got), kWaitOk);
  EXPECT_EQ(a.hid.Write(a.handle, report, 500), kWaitOk);

  // Released: the other may take it. A holder that goes away lets go too.
  a.hid.Release(a.path);
  ASSERT_EQ(b->hid.Claim(b->path, "velotrack firmware update", &holder), kWaitOk);
  EXPECT_EQ(a.hid.Claim(a.path, "velotrack profiles write", &holder), kWaitTimeout);
  b.reset();
  Client c(board.address);
  EXPECT_EQ(c.hid.Claim(c.path, "velotrack", &holder), kWaitOk);
  EXPECT_EQ(c.hid.Claim("no-such-board", "velotrack", &holder), kWaitFailed);
}

// A program that found the board before the other took it waits (on its
// clock), then gives up naming the holder; claims nest inside one program.
TEST(OneWriterPerBoard, AWriteClaimWaitsBoundedThenNamesTheHolder) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  RemoteHidBackend hid(board.address);
  VirtualClock clock;
  DebugLog log;
  vt::devlink::BoardLink link(hid, clock, log);
  ASSERT_TRUE(link.LoadDll());
  ASSERT_TRUE(link.USBDeviceDetect_Win32());
  Client other(board.address);
  std::string holder;
  ASSERT_EQ(other.hid.Claim(other.path, "velotrack profiles restore", &holder), kWaitOk);
  {
    const vt::devlink::FlashWriteClaim claim(link);
    EXPECT_FALSE(claim.Granted());
    EXPECT_GE(clock.ElapsedMs(), link.ClaimWaitMs());
    EXPECT_EQ(claim.Refusal().rfind("the board is busy: used by velotrack profiles restore " + kPid, 0), 0u)
        << claim.Refusal();
    EXPECT_EQ(link.LastBusy(), claim.Refusal());
  }
  other.hid.Release(other.path);
  {
    const vt::devlink::FlashWriteClaim outer(link);
    ASSERT_TRUE(outer.Granted());
    EXPECT_TRUE(link.LastBusy().empty());
    { const vt::devlink::FlashWriteClaim inner(link); EXPECT_TRUE(inner.Granted()); }
    // The inner claim's end does not let go of the board.
    EXPECT_EQ(other.hid.Claim(other.path, "x", &holder), kWaitTimeout);
  }
  EXPECT_EQ(other.hid.Claim(other.path, "x", &holder), kWaitOk);
}

std::string RunCommand(const std::vector<std::string>& args, int* code) {
  std::ostringstream out, err;
  *code = vt::cli::RunCli(args, out, err);
  return out.str() + err.str();
}

TEST(OneWriterPerBoard, TheCommandLineSaysTheBoardIsBusyAndExitsWithFour) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  Client holder(board.address);
  std::string who;
  ASSERT_EQ(holder.hid.Claim(holder.path, "velotrack firmware update", &who), kWaitOk);
  int code = 0;
  const auto refused = RunCommand({"--board", board.address, "--busy-wait", "1", "profiles", "clear", "--yes"}, &code);
  EXPECT_EQ(code, 4) << refused;
  EXPECT_NE(refused.find("the board is busy: used by velotrack firmware update " + kPid), std::string::npos)
      << refused;
  const auto reset = RunCommand({"--board", board.address, "--busy-wait", "1", "reset"}, &code);
  EXPECT_EQ(code, 4) << reset;
  EXPECT_NE(reset.find("the board is busy"), std::string::npos) << reset;
  holder.hid.Release(holder.path);
  const auto done = RunCommand({"--board", board.address, "reset"}, &code);
  EXPECT_EQ(code, 0) << done;
}

}  // namespace

#endif
