#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "../remote/board_server_process.h"
#include "cli/cli_app.h"
#include "devlink/board_link.h"
#include "devlink/board_claim.h"
#include "flash/flash_commands.h"
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
        address((fs::create_directories(dir), TestListenAddress(dir / "board.sock"))),
        server(VT_BOARD_SERVER, {"serve", "--listen", address}) {
    // A TCP server tells the port it took.
    if (address.ends_with(":0") && !server.Address().empty()) address = server.Address();
  }
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
  // The board goes to the client that has waited for it longest.
  EXPECT_EQ(c.hid.Claim(c.path, "velotrack", &holder), kWaitTimeout);
  EXPECT_EQ(holder, "velotrack profiles write " + kPid);
  ASSERT_EQ(a.hid.Claim(a.path, "velotrack profiles write", &holder), kWaitOk);
  a.hid.Release(a.path);
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
    const vt::devlink::BoardClaim claim(link);
    EXPECT_FALSE(claim.Granted());
    EXPECT_GE(clock.ElapsedMs(), link.ClaimWaitMs());
    EXPECT_EQ(claim.Refusal().rfind("the board is busy: used by velotrack profiles restore " + kPid, 0), 0u)
        << claim.Refusal();
    EXPECT_EQ(link.LastBusy(), claim.Refusal());
  }
  other.hid.Release(other.path);
  {
    const vt::devlink::BoardClaim outer(link);
    ASSERT_TRUE(outer.Granted());
    EXPECT_TRUE(link.LastBusy().empty());
    { const vt::devlink::BoardClaim inner(link); EXPECT_TRUE(inner.Granted()); }
    // The inner claim's end does not let go of the board.
    EXPECT_EQ(other.hid.Claim(other.path, "x", &holder), kWaitTimeout);
  }
  EXPECT_EQ(other.hid.Claim(other.path, "x", &holder), kWaitOk);
}

// A reader waits for the board as a writer does: as long as it was told,
// on its clock, then gives up naming the holder. A poll does not wait.
TEST(OneWriterPerBoard, AReadWaitsAsLongAsToldThenNamesTheHolder) {
  ServedBoard board;
  ASSERT_EQ(board.server.Address(), board.address);
  RemoteHidBackend hid(board.address);
  VirtualClock clock;
  DebugLog log;
  vt::devlink::BoardLink link(hid, clock, log);
  link.SetClaimWaitMs(40000);
  ASSERT_TRUE(link.LoadDll());
  ASSERT_TRUE(link.USBDeviceDetect_Win32());
  Client other(board.address);
  std::string holder;
  ASSERT_EQ(other.hid.Claim(other.path, "velotrack profiles write", &holder), kWaitOk);
  uint8_t bytes[120];
  EXPECT_FALSE(vt::flash::ReadBoardMemory(link, 0x2800, sizeof bytes, bytes));
  EXPECT_EQ(clock.ElapsedMs(), 40000u);
  EXPECT_EQ(link.LastBusy().rfind("the board is busy: used by velotrack profiles write " + kPid, 0), 0u)
      << link.LastBusy();
  std::array<uint8_t, 255> text{};
  size_t got = 1;
  EXPECT_EQ(link.ReadDeviceText(text, &got), vt::devlink::kStatusOk);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(clock.ElapsedMs(), 40000u);
  other.hid.Release(other.path);
  EXPECT_TRUE(vt::flash::ReadBoardMemory(link, 0x2800, sizeof bytes, bytes));
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
  // Readers and read-modify-writes alike, each after the whole wait.
  const std::vector<std::vector<std::string>> readers = {
      {"read", "0x2800", "120"}, {"profiles", "read"}, {"profiles", "set", "set3.interval=10 sec", "--yes"},
      {"messages"}};
  for (const auto& command : readers) {
    std::vector<std::string> args = {"--board", board.address, "--busy-wait", "1"};
    args.insert(args.end(), command.begin(), command.end());
    const auto start = std::chrono::steady_clock::now();
    const auto said = RunCommand(args, &code);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << command[0];
    EXPECT_EQ(code, 4) << said;
    EXPECT_NE(said.find("the board is busy: used by velotrack firmware update " + kPid), std::string::npos) << said;
  }
  holder.hid.Release(holder.path);
  const auto done = RunCommand({"--board", board.address, "reset"}, &code);
  EXPECT_EQ(code, 0) << done;
}

}  // namespace

#endif
