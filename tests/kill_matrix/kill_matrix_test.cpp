// The `velotrack` command killed at each erase and program step of every
// operation that changes a board, on every board kind, with SIGKILL and with
// SIGTERM. The board server holds the command at its Nth flash command
// (--stop-client-at N), the command is killed there (after SIGTERM the
// server lets it go on), and then:
//  - a command that said OK left the block the operation writes;
//  - on a block that is neither the one from before nor the one the
//    operation writes, the next `profiles show` fails, naming the damage
//    and the backup with the command that puts it back, and a `profiles
//    set` refuses without changing the block;
//  - that backup restores the block from before, byte for byte.
// Steps taken: every erase, and in every run of commits the first commit
// into each 512-byte stretch of the info block (or of the region) and the
// last one.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <future>
#include <map>
#include <regex>
#include <sstream>

#include "devlink/board_link.h"
#include "flash/flash_commands.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/remote/remote_hid_backend.h"
#include "tests/firmware/elf_builder.h"
#include "tests/kill_matrix/processes.h"
#include "tests/support/temp_path.h"

namespace vt::kill_matrix {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

const std::string kCli = VT_CLI_PROGRAM;
const std::string kServer = VT_BOARD_SERVER;
const char* const kSetValue = "set3.interval=10 sec";
const char* const kOtherSetValue = "set3.interval=20 sec";

struct Kind {
  const char* preset;
  uint32_t block;
  flash::BoardVariant variant;
};

const Kind kKinds[] = {{"standard-M", 0xE0000, flash::BoardVariant::kStandard},
                       {"ab", 0xE0000, flash::BoardVariant::kAB},
                       {"r", 0x8003F000, flash::BoardVariant::kR}};

enum class Op { kWrite, kSet, kClear, kRestore, kApplication, kBootloader };
const char* const kOpNames[] = {"write", "set", "clear", "restore", "application", "bootloader"};

// One flash command of a clean run, from the server's traffic log.
struct FlashCommand {
  bool erase;
  uint32_t address;
};

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", v);
  return text;
}

std::vector<FlashCommand> FlashCommandsOf(const fs::path& trafficLog) {
  std::vector<FlashCommand> out;
  std::ifstream in(trafficLog);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(" : ");
    if (line.find(" write ") == std::string::npos || colon == std::string::npos) continue;
    std::istringstream cells(line.substr(colon + 3));
    Bytes r;
    for (std::string cell; cells >> cell && r.size() < 9;) r.push_back(static_cast<uint8_t>(std::stoul(cell, nullptr, 16)));
    if (r.size() < 9 || r[4] != 0 || (r[3] != 0xC1 && r[3] != 0xA1)) continue;
    out.push_back({r[3] == 0xC1, r[5] | r[6] << 8 | r[7] << 16 | static_cast<uint32_t>(r[8]) << 24});
  }
  return out;
}

// 1-based numbers of the flash commands a kill is tried at.
std::vector<uint32_t> StepsToKill(const std::vector<FlashCommand>& commands) {
  std::vector<uint32_t> steps;
  for (size_t i = 0; i < commands.size(); ++i) {
    const auto& c = commands[i];
    const bool first = i == 0 || commands[i - 1].erase || commands[i - 1].address / 512 != c.address / 512;
    const bool last = i + 1 == commands.size() || commands[i + 1].erase;
    if (c.erase || first || last) steps.push_back(static_cast<uint32_t>(i + 1));
  }
  return steps;
}

class KillMatrix : public ::testing::TestWithParam<std::tuple<int, Op>> {
 protected:
  const Kind& kind() const { return kKinds[std::get<0>(GetParam())]; }
  Op op() const { return std::get<1>(GetParam()); }

  void SetUp() override {
    root_ = vt::test::TempPath(std::string("vt-kill-") + kind().preset + "-" + kOpNames[static_cast<int>(op())]);
    fs::remove_all(root_);
    fs::create_directories(root_);
    // A fresh board, and one whose set 3 was changed (the backup taken then
    // holds the fresh block: what the restore puts back).
    ServerChild fresh(kServer, root_ / "s", {"--preset", kind().preset, "--flash-file", (root_ / "fresh.flash").string()});
    ASSERT_TRUE(fresh.Up());
    ASSERT_EQ(Cli(fresh, {"profiles", "read", "-o", (root_ / "fresh.dat").string()}).code, 0);
    fresh.Stop();
    fs::copy_file(root_ / "fresh.flash", root_ / "changed.flash");
    ServerChild changed(kServer, root_ / "s", {"--preset", kind().preset, "--flash-file", (root_ / "changed.flash").string()});
    ASSERT_TRUE(changed.Up());
    const auto set = Cli(changed, {"profiles", "set", kSetValue, "--yes", "--backup-dir", (root_ / "prep").string()});
    ASSERT_EQ(set.code, 0) << set.err;
    ASSERT_EQ(Cli(changed, {"profiles", "read", "-o", (root_ / "changed.dat").string()}).code, 0);
    changed.Stop();
    for (const auto& e : fs::recursive_directory_iterator(root_ / "prep")) {
      if (e.is_regular_file()) restoreSource_ = e.path();
    }
    ASSERT_FALSE(restoreSource_.empty());
    const auto image = flash::testing::SmallFirmwareImage(kind().variant, 5);
    std::ofstream(root_ / "image.elf", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  void TearDown() override { fs::remove_all(root_); }

  Finished Cli(const ServerChild& server, std::vector<std::string> args, const std::string& stem = "cli") const {
    args.insert(args.begin(), {"--board", server.Address(), "--busy-wait", "5"});
    return kill_matrix::Run(kCli, args, root_ / stem);
  }

  // The block as the board holds it, read over the wire from here (a
  // process per read would cost more than the rest of a case).
  Bytes Block(const ServerChild& server) const {
    platform::SystemClock clock;
    platform::DebugLog log;
    platform::remote::RemoteHidBackend hid(server.Address(), &clock);
    devlink::BoardLink link(hid, clock, log);
    Bytes block(2048, 0);
    if (!link.USBDeviceDetect_Win32() || !flash::ReadBoardMemory(link, kind().block, 2048, block.data())) {
      block.clear();
    }
    return block;
  }

  // The operation's command line; `backups` is where it keeps its copies.
  std::vector<std::string> OpArgs(const fs::path& backups) const {
    const std::string dir = backups.string();
    switch (op()) {
      case Op::kWrite: return {"profiles", "write", (root_ / "changed.dat").string(), "--yes", "--backup-dir", dir};
      case Op::kSet: return {"profiles", "set", kSetValue, "--yes", "--backup-dir", dir};
      case Op::kClear: return {"profiles", "clear", "--yes", "--backup-dir", dir};
      case Op::kRestore: return {"profiles", "restore", CaseRestoreSource(backups).string(), "--yes", "--backup-dir", dir};
      case Op::kApplication: return {"firmware", "update", (root_ / "image.elf").string(), "--yes", "--backup-dir", dir};
      case Op::kBootloader:
        return {"firmware", "update", "--bootloader", (root_ / "image.elf").string(), "--yes", "--backup-dir", dir};
    }
    return {};
  }
  // The restore takes the backup from the board's own folder.
  fs::path CaseRestoreSource(const fs::path& backups) const {
    return backups / restoreSource_.parent_path().filename() / restoreSource_.filename();
  }

  // A board for one run: its flash file, its backup folder (the restore's
  // source already in it), and the server with `extra` options.
  std::unique_ptr<ServerChild> Board(const std::string& name, const std::vector<std::string>& extra) const {
    const fs::path flash = root_ / (name + ".flash");
    fs::remove(flash);
    fs::copy_file(root_ / (op() == Op::kRestore ? "changed.flash" : "fresh.flash"), flash);
    const fs::path backups = root_ / (name + "-backups");
    fs::remove_all(backups);
    fs::create_directories(CaseRestoreSource(backups).parent_path());
    fs::copy_file(restoreSource_, CaseRestoreSource(backups));
    std::vector<std::string> args = {"--preset", kind().preset, "--flash-file", flash.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<ServerChild>(kServer, root_ / (name + ".s"), args);
  }

  struct Outcome {
    bool damaged = false;
    std::vector<std::string> problems;
  };

  // Kills the operation at its nth flash command with `signal` and checks
  // what the board holds then.
  Outcome KillAt(int signal, uint32_t n, const Bytes& before, const Bytes& after, const std::string& name) const {
    Outcome o;
    auto fail = [&o](std::string problem) {
      o.problems.push_back(std::move(problem));
      return o;
    };
    auto server = Board(name, {"--stop-client-at", std::to_string(n)});
    if (!server->Up()) return fail("the board server did not start");
    const fs::path backups = root_ / (name + "-backups");
    auto args = OpArgs(backups);
    args.insert(args.begin(), {"--board", server->Address(), "--busy-wait", "5"});
    Child command(kCli, args, root_ / (name + "-op"));
    if (!server->WaitLine("velotrack-board: holding", milliseconds(30000))) {
      return fail("the command never reached that flash command");
    }
    command.Signal(signal);
    auto ended = command.WaitFor(milliseconds(500));
    if (!ended) {
      // The signal is held until the block is whole: let the command go on.
      server->Resume();
      ended = command.WaitFor(milliseconds(30000));
    }
    if (!ended) return fail("the command did not end after the signal");
    const Bytes now = Block(*server);
    if (now.size() != 2048) return fail("the block could not be read afterwards");
    if (ended->code == 0 && now != after) fail("the command said OK for a block it did not write");
    if (now == before || now == after) return o;

    o.damaged = true;
    const auto show = Cli(*server, {"profiles", "show", "--backup-dir", backups.string()}, name + "-show");
    if (show.code == 0) fail("profiles show said nothing about the damaged block");
    const auto set = Cli(*server, {"profiles", "set", kOtherSetValue, "--yes", "--backup-dir", backups.string()},
                         name + "-set");
    if (set.code == 0) fail("profiles set said OK over the damaged block");
    if (Block(*server) != now) fail("profiles set built on the damaged block");
    std::smatch m;
    const std::regex restore("velotrack profiles restore (\\S+)");
    if (!std::regex_search(show.err, m, restore)) return fail("profiles show named no backup: " + show.err);
    const auto restored =
        Cli(*server, {"profiles", "restore", m[1].str(), "--yes", "--backup-dir", backups.string()}, name + "-restore");
    if (restored.code != 0) fail("the restore failed: " + restored.err);
    if (Block(*server) != before) fail("the backup named does not restore the block from before");
    return o;
  }

  fs::path root_;
  fs::path restoreSource_;
};

TEST_P(KillMatrix, EveryStepKilledLeavesABlockThatIsNoticedAndRestored) {
  // A clean run: the block before and after, and the flash commands.
  Bytes before, after;
  std::vector<FlashCommand> commands;
  {
    const fs::path log = root_ / "traffic.log";
    auto server = Board("clean", {"--stop-client-at", "0", "--traffic-log", log.string()});
    ASSERT_TRUE(server->Up());
    before = Block(*server);
    const auto done = Cli(*server, OpArgs(root_ / "clean-backups"));
    ASSERT_EQ(done.code, 0) << done.err;
    after = Block(*server);
    const auto said = server->Stop();
    commands = FlashCommandsOf(log);
    // The server counts the same commands.
    const std::string count = "velotrack-board: " + std::to_string(commands.size()) + " flash command(s) served";
    EXPECT_NE(std::find(said.begin(), said.end(), count), said.end()) << count;
  }
  ASSERT_FALSE(commands.empty());
  ASSERT_EQ(before.size(), 2048u);
  ASSERT_EQ(after.size(), 2048u);
  const auto steps = StepsToKill(commands);
  struct Case {
    int signal;
    uint32_t n;
  };
  std::vector<Case> cases;
  for (const int signal : {SIGKILL, SIGTERM}) {
    for (const uint32_t n : steps) cases.push_back({signal, n});
  }
  // Cases run a few at a time: each has its own server, and most of a
  // case is waiting for processes.
  constexpr size_t kAtOnce = 8;
  uint32_t damaged = 0;
  for (size_t first = 0; first < cases.size(); first += kAtOnce) {
    std::vector<std::future<Outcome>> running;
    for (size_t i = first; i < cases.size() && i < first + kAtOnce; ++i) {
      running.push_back(std::async(std::launch::async, [this, &cases, &before, &after, i] {
        return KillAt(cases[i].signal, cases[i].n, before, after, "case" + std::to_string(i));
      }));
    }
    for (size_t i = 0; i < running.size(); ++i) {
      const Case& c = cases[first + i];
      const FlashCommand& command = commands[c.n - 1];
      const Outcome outcome = running[i].get();
      damaged += outcome.damaged ? 1 : 0;
      for (const auto& problem : outcome.problems) {
        ADD_FAILURE() << (c.signal == SIGKILL ? "SIGKILL" : "SIGTERM") << " at flash command " << c.n << " of "
                      << commands.size() << " (" << (command.erase ? "erase " : "commit ") << Hex(command.address)
                      << "): " << problem;
      }
    }
  }
  std::printf("[ kill matrix ] %s %s: %zu steps of %zu flash commands, %zu kills, %u damaged blocks\n",
              kind().preset, kOpNames[static_cast<int>(op())], steps.size(), commands.size(), cases.size(), damaged);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, Op>>& info) {
  std::string kind = kKinds[std::get<0>(info.param)].preset;
  kind.erase(std::remove(kind.begin(), kind.end(), '-'), kind.end());
  return kind + "_" + kOpNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Operations, KillMatrix,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(Op::kWrite, Op::kSet, Op::kClear, Op::kRestore,
                                                              Op::kApplication, Op::kBootloader)),
                         CaseName);

}  // namespace
}  // namespace vt::kill_matrix
