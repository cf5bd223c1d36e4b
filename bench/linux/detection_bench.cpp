// With no board attached every exchange runs a full detection, so its cost
// is paid again and again while the panel waits for a board.
#include <benchmark/benchmark.h>

#include "devlink/board_link.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/hid_linux/linux_hid_backend.h"
#include "platform/hid_linux/sysfs_hidraw.h"

namespace {

using namespace vt::platform;

// One enumeration of the machine's hidraw nodes through udev and sysfs.
void BM_LinuxEnumerate(benchmark::State& state) {
  hidraw::LinuxHidBackend hid;
  if (!hid.Load()) {
    state.SkipWithError("udev unavailable");
    return;
  }
  size_t devices = 0;
  for (auto _ : state) {
    auto list = hid.Enumerate();
    devices = list.size();
    benchmark::DoNotOptimize(list);
  }
  state.counters["devices"] = static_cast<double>(devices);
}
BENCHMARK(BM_LinuxEnumerate)->Unit(benchmark::kMicrosecond);

// A whole detection by the board link when no accepted board is present.
void BM_DetectionWithoutBoard(benchmark::State& state) {
  hidraw::LinuxHidBackend hid;
  SystemClock clock;
  DebugLog log;
  vt::devlink::BoardLink link(hid, clock, log);
  if (!link.LoadDll()) {
    state.SkipWithError("udev unavailable");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(link.USBDeviceDetect_Win32());
}
BENCHMARK(BM_DetectionWithoutBoard)->Unit(benchmark::kMicrosecond);

// The sysfs part alone on the captured tree (four nodes, one board), so the
// per-node cost is visible on machines without HID devices.
void BM_DescribeCapturedTree(benchmark::State& state) {
  const std::filesystem::path sys = std::filesystem::path(VT_LINUX_FIXTURES) / "sys";
  for (auto _ : state) {
    size_t described = 0;
    for (const auto& dir : hidraw::ListHidrawDirs(sys)) {
      if (hidraw::DescribeHidraw(dir, "/dev/" + dir.filename().string())) ++described;
    }
    benchmark::DoNotOptimize(described);
  }
}
BENCHMARK(BM_DescribeCapturedTree)->Unit(benchmark::kMicrosecond);

}  // namespace
