// A full profile read ("Get settings") and write ("Save settings") through
// the headless editor and the virtual board, with 1 ms per USB transaction
// on virtual time. Virtual time gives the transaction count, and with it the
// bound (transactions x 1 ms); the CPU time the panel spends on top of that
// is its overhead: firmware version check, record conversion, page refresh,
// the backup file. overhead_pct counts CPU time; wall_overhead_pct counts
// elapsed time, which for a write includes flushing the backup to disk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "editor/headless_editor.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

constexpr uint32_t kLatencyMs = 1;

struct Rig {
  Rig() : hid(clock, kLatencyMs) {
    hid.AddBoard(vt::sim::BoardConfig::Standard());
    link.USBDeviceDetect_Win32();
    backups = std::filesystem::temp_directory_path() / "vt-transfer-bench";
    transfer.SetBackupRoot(backups);
  }
  ~Rig() { std::filesystem::remove_all(backups); }
  vt::platform::VirtualClock clock;
  vt::platform::DebugLog log;
  vt::sim::VirtualHidBackend hid;
  vt::devlink::BoardLink link{hid, clock, log};
  vt::profiles::HeadlessEditor editor;
  vt::profiles::EditorTransferUi pages{editor.Editor(), link.Identity()};
  vt::profiles::ProfileTransfer transfer{link, pages};
  std::filesystem::path backups;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

template <typename Op>
void Measure(benchmark::State& state, Rig& rig, Op op) {
  uint64_t virtualMs = 0;
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    const uint64_t v0 = rig.clock.ElapsedMs();
    const double c0 = CpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    if (!op()) state.SkipWithError("transfer failed");
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    cpu += CpuSeconds() - c0;
    virtualMs += rig.clock.ElapsedMs() - v0;
  }
  const double iterations = static_cast<double>(state.iterations());
  const double transactions = static_cast<double>(virtualMs) / kLatencyMs;
  state.counters["txn_per_op"] = transactions / iterations;
  state.counters["bound_ms_per_op"] = transactions * kLatencyMs / iterations;
  state.counters["cpu_ms_per_op"] = cpu * 1e3 / iterations;
  state.counters["overhead_pct"] =
      transactions > 0 ? 100.0 * cpu / (transactions * kLatencyMs * 1e-3) : 0;
  state.counters["wall_overhead_pct"] =
      transactions > 0 ? 100.0 * wall / (transactions * kLatencyMs * 1e-3) : 0;
}

void BM_ReadProfiles(benchmark::State& state) {
  Rig rig;
  Measure(state, rig, [&] { return rig.transfer.ReadProfilesFromBoard(false); });
}
BENCHMARK(BM_ReadProfiles)->Unit(benchmark::kMillisecond);

void BM_WriteProfiles(benchmark::State& state) {
  Rig rig;
  if (!rig.transfer.ReadProfilesFromBoard(false)) state.SkipWithError("read failed");
  Measure(state, rig, [&] {
    rig.editor.Script().QueueAnswer(vt::platform::MessageAnswer::Yes);
    return rig.transfer.WriteProfilesToBoard(vt::profiles::WriteMode::kWrite);
  });
}
BENCHMARK(BM_WriteProfiles)->Unit(benchmark::kMillisecond);

}  // namespace
