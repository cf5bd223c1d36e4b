// A profile read ("Get settings") through the board server process over a
// Unix socket, on real time: the same requests a panel sends to a board
// server, each a round trip. With --latency 1 every USB transaction takes
// 1 ms as on a real bus; with 0 only the panel, the socket and the server
// are left, which is the worst case for anything the read adds on top.
// requests_per_op counts the round trips to the server (every primitive,
// claims and releases included).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "../../tests/remote/board_server_process.h"
#include "platform/forwarding_hid_backend.h"
#include "platform/remote/remote_hid_backend.h"
#include "editor/headless_editor.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"

namespace {

namespace fs = std::filesystem;
using namespace vt::platform;

// Counts the requests that go to the server.
class CountingHid final : public ForwardingHidBackend {
 public:
  using ForwardingHidBackend::ForwardingHidBackend;
  std::vector<HidDeviceInfo> Enumerate() override { return ++requests, Inner().Enumerate(); }
  int Open(const std::string& path, HidHandle* handle) override { return ++requests, Inner().Open(path, handle); }
  void Close(HidHandle handle) override { ++requests, Inner().Close(handle); }
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override {
    return ++requests, Inner().Write(handle, report, waitMs);
  }
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override {
    return ++requests, Inner().Read(handle, buf, waitMs, got);
  }
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf, size_t* got) override {
    return ++requests, Inner().GetIndexedString(handle, index, buf, got);
  }
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override {
    return ++requests, Inner().GetSerial(handle, buf, got);
  }
  int Claim(const std::string& path, const std::string& who, std::string* holder) override {
    return ++requests, Inner().Claim(path, who, holder);
  }
  void Release(const std::string& path) override { ++requests, Inner().Release(path); }
  uint64_t requests = 0;
};

struct ServedRig {
  explicit ServedRig(int latencyMs)
      : dir(fs::temp_directory_path() / ("vt-served-bench-" + std::to_string(getpid()))),
        address((fs::create_directories(dir), "unix:" + (dir / "board.sock").string())),
        server(VT_BOARD_SERVER, {"serve", "--listen", address, "--latency", std::to_string(latencyMs)}),
        remote(address),
        hid(remote) {}
  ~ServedRig() {
    server.Stop();
    fs::remove_all(dir);
  }
  fs::path dir;
  std::string address;
  BoardServerProcess server;
  remote::RemoteHidBackend remote;
  CountingHid hid;
  SystemClock clock;
  DebugLog log;
};

void BM_ServedReadProfiles(benchmark::State& state) {
  ServedRig rig(static_cast<int>(state.range(0)));
  vt::devlink::BoardLink link(rig.hid, rig.clock, rig.log);
  if (rig.server.Address().empty() || !link.LoadDll() || !link.USBDeviceDetect_Win32()) {
    state.SkipWithError("no board server");
    return;
  }
  vt::profiles::HeadlessEditor editor;
  vt::profiles::EditorTransferUi pages(editor.Editor(), link.Identity());
  vt::profiles::ProfileTransfer transfer(link, pages);
  const uint64_t before = rig.hid.requests;
  for (auto _ : state) {
    if (!transfer.ReadProfilesFromBoard(false)) state.SkipWithError("read failed");
  }
  state.counters["requests_per_op"] =
      static_cast<double>(rig.hid.requests - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ServedReadProfiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What one hold of the board costs on its own: a CLAIM and a RELEASE, the
// two requests a read adds.
void BM_ServedClaimRelease(benchmark::State& state) {
  ServedRig rig(0);
  const auto devices = rig.hid.Enumerate();
  if (devices.empty()) {
    state.SkipWithError("no board server");
    return;
  }
  std::string holder;
  for (auto _ : state) {
    if (rig.hid.Claim(devices[0].path, "velotrack", &holder) != kWaitOk) state.SkipWithError("refused");
    rig.hid.Release(devices[0].path);
  }
}
BENCHMARK(BM_ServedClaimRelease)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
