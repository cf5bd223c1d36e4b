// Reading the info block and programming 64 KiB of flash through the virtual
// board, with 1 ms per USB transaction on virtual time. Virtual time gives
// the transaction count (the bound: transactions x 1 ms); the CPU time the
// panel's side spends on top of that is the overhead.
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

constexpr uint32_t kLatencyMs = 1;

struct Rig {
  Rig() : hid(clock, kLatencyMs) {
    hid.AddBoard(vt::sim::BoardConfig::Standard());
    link.USBDeviceDetect_Win32();
  }
  vt::platform::VirtualClock clock;
  vt::platform::DebugLog log;
  vt::sim::VirtualHidBackend hid;
  vt::devlink::BoardLink link{hid, clock, log};
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Counters: USB transactions per operation, CPU microseconds per
// transaction, and CPU time as a share of the latency bound.
template <typename Op>
void Measure(benchmark::State& state, Rig& rig, Op op) {
  const uint64_t virtualStart = rig.clock.ElapsedMs();
  const double cpuStart = CpuSeconds();
  for (auto _ : state) {
    if (!op()) state.SkipWithError("transfer failed");
  }
  const double cpu = CpuSeconds() - cpuStart;
  const double transactions =
      static_cast<double>(rig.clock.ElapsedMs() - virtualStart) / kLatencyMs;
  const double iterations = static_cast<double>(state.iterations());
  state.counters["txn_per_op"] = transactions / iterations;
  state.counters["cpu_us_per_txn"] = transactions > 0 ? cpu * 1e6 / transactions : 0;
  state.counters["bound_ms_per_op"] = transactions * kLatencyMs / iterations;
  state.counters["overhead_pct"] =
      transactions > 0 ? 100.0 * cpu / (transactions * kLatencyMs * 1e-3) : 0;
}

void BM_ReadInfoBlock(benchmark::State& state) {
  Rig rig;
  std::vector<uint8_t> block(vt::flash::kInfoBlockSize);
  const uint32_t address = vt::flash::InfoBlockAddress(rig.link.Identity());
  Measure(state, rig, [&] {
    return vt::flash::ReadBoardMemory(rig.link, address, vt::flash::kInfoBlockSize, block.data());
  });
}
BENCHMARK(BM_ReadInfoBlock);

void BM_WriteFlash64K(benchmark::State& state) {
  Rig rig;
  std::vector<uint8_t> image(64 * 1024);
  for (size_t k = 0; k < image.size(); ++k) image[k] = static_cast<uint8_t>(k * 31);
  if (!vt::flash::EnterProgramming(rig.link)) state.SkipWithError("no programming mode");
  // Programming ANDs bits in, so writing the same image again leaves it intact.
  Measure(state, rig, [&] {
    return vt::flash::WriteBoardMemory(rig.link, 0x30000, static_cast<uint32_t>(image.size()),
                                       image.data());
  });
}
BENCHMARK(BM_WriteFlash64K)->Unit(benchmark::kMillisecond);

}  // namespace
