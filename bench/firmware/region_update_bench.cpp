// A 64 KiB application region written to a standard virtual board whose
// every USB transaction takes 1 ms of virtual time. Reported per update:
//   transactions     USB transactions (writes, reads, string fetches)
//   usb_ms           virtual time the update took (the USB-bound duration)
//   bound_ms         transactions x 1 ms plus the fixed waits of the procedure
//   wait_overhead_%  virtual time above that bound
//   panel_cpu_%      real CPU time of panel and board model per virtual ms
//   peak_heap_kib    most heap the panel had in use at once during the update
//                    (the virtual board's own allocations are not counted)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

#include "devlink/board_link.h"
#include "flash/markers.h"
#include "flash/update_entry.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

// Heap accounting for this executable only. Allocations made while the
// virtual board handles a call are the board's, not the panel's.
std::atomic<size_t> gHeapNow{0};
std::atomic<size_t> gHeapPeak{0};
thread_local bool gInBoard = false;

}  // namespace

__attribute__((noinline)) void* operator new(size_t size) {
  auto* p = static_cast<size_t*>(std::malloc(size + sizeof(size_t) * 2));
  if (p == nullptr) throw std::bad_alloc();
  p[0] = size;
  p[1] = gInBoard ? 0 : 1;
  if (gInBoard) return p + 2;
  const size_t now = gHeapNow.fetch_add(size) + size;
  size_t peak = gHeapPeak.load();
  while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now)) {
  }
  return p + 2;
}
__attribute__((noinline)) void operator delete(void* ptr) noexcept {
  if (ptr == nullptr) return;
  auto* p = static_cast<size_t*>(ptr) - 2;
  if (p[1] != 0) gHeapNow.fetch_sub(p[0]);
  std::free(p);
}
void operator delete(void* ptr, size_t) noexcept { operator delete(ptr); }

namespace {

using namespace vt;

constexpr uint32_t kRegionBytes = 64 * 1024;
constexpr uint32_t kRegionStart = 0x2800;
// Enter-programming settle, restart settle.
constexpr uint64_t kFixedWaitsMs = 1000 + 500;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A little-endian ELF whose single segment holds flash from address 0 up to
// the end of a 64 KiB application region at 0x2800.
std::vector<uint8_t> MakeImage() {
  const uint32_t dataOffset = 0x100;
  const uint32_t imageBytes = kRegionStart + kRegionBytes;
  std::vector<uint8_t> elf(dataOffset + imageBytes, 0);
  elf[0] = 0x7F;
  elf[1] = 'E';
  elf[2] = 'L';
  elf[3] = 'F';
  elf[16] = 2;
  elf[18] = 40;
  Put32(elf, 28, 52);
  Put32(elf, 52, 1);
  Put32(elf, 56, dataOffset);
  Put32(elf, 72, imageBytes);
  for (size_t i = dataOffset; i < elf.size(); ++i) elf[i] = static_cast<uint8_t>((i * 7) | 0x40);
  auto marker = [&elf](size_t at, uint8_t low) {
    elf[at] = elf[at + 2] = low;
    elf[at + 1] = elf[at + 3] = 0x24;
  };
  marker(dataOffset + kRegionStart + 8, 0x27);
  marker(dataOffset + kRegionStart + kRegionBytes - 4, 0x28);
  return elf;
}

// Forwards to the virtual board with the panel's heap accounting paused.
class BoardSideHid final : public platform::HidBackend {
 public:
  explicit BoardSideHid(platform::HidBackend& inner) : inner_(inner) {}
  std::vector<platform::HidDeviceInfo> Enumerate() override {
    Guard g;
    return inner_.Enumerate();
  }
  int Open(const std::string& path, platform::HidHandle* h) override {
    Guard g;
    return inner_.Open(path, h);
  }
  void Close(platform::HidHandle h) override {
    Guard g;
    inner_.Close(h);
  }
  int Write(platform::HidHandle h, std::span<const uint8_t> r, uint32_t w) override {
    Guard g;
    return inner_.Write(h, r, w);
  }
  int Read(platform::HidHandle h, std::span<uint8_t> b, uint32_t w, size_t* got) override {
    Guard g;
    return inner_.Read(h, b, w, got);
  }
  int GetIndexedString(platform::HidHandle h, uint8_t i, std::span<uint8_t> b, size_t* got) override {
    Guard g;
    return inner_.GetIndexedString(h, i, b, got);
  }
  int GetSerial(platform::HidHandle h, std::span<uint8_t> b, size_t* got) override {
    Guard g;
    return inner_.GetSerial(h, b, got);
  }

 private:
  struct Guard {
    Guard() { gInBoard = true; }
    ~Guard() { gInBoard = false; }
  };
  platform::HidBackend& inner_;
};

void BM_RegionUpdate64KiB(benchmark::State& state) {
  const auto elf = MakeImage();
  flash::SilentUpdateUi ui;
  double transactions = 0, usbMs = 0, cpuNs = 0, peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    platform::VirtualClock clock;
    platform::DebugLog log;
    sim::VirtualHidBackend hid(clock, 0);
    hid.AddBoard(sim::BoardConfig::Standard('M'));
    BoardSideHid boardSide(hid);
    devlink::BoardLink link(boardSide, clock, log);
    link.USBDeviceDetect_Win32();
    hid.SetLatency(1);
    hid.Board(size_t{0})->Traffic().Clear();
    flash::UpdateContext ctx{link, ui, {}};
    const flash::UpdateRequest request{flash::kSourceMemory, "", elf,
                                       flash::kOptionsUpdateApplication, 0};
    const uint64_t startMs = clock.ElapsedMs();
    gHeapPeak.store(gHeapNow.load());
    const size_t heapBase = gHeapNow.load();
    const auto cpuStart = std::chrono::steady_clock::now();
    state.ResumeTiming();

    const bool ok = flash::RunUpdateRequest(ctx, request);

    state.PauseTiming();
    cpuNs += static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now() - cpuStart)
                                     .count());
    if (!ok) state.SkipWithError("update failed");
    const auto& entries = hid.Board(size_t{0})->Traffic().Entries();
    for (const auto& e : entries) {
      using Kind = sim::TrafficEntry::Kind;
      if (e.kind == Kind::kWrite || e.kind == Kind::kRead || e.kind == Kind::kIndexedString) {
        transactions += 1;
      }
    }
    usbMs += static_cast<double>(clock.ElapsedMs() - startMs);
    peak = std::max(peak, static_cast<double>(gHeapPeak.load() - heapBase));
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  const double perTransactions = transactions / n;
  const double perUsbMs = usbMs / n;
  const double bound = perTransactions + static_cast<double>(kFixedWaitsMs);
  state.counters["transactions"] = perTransactions;
  state.counters["usb_ms"] = perUsbMs;
  state.counters["bound_ms"] = bound;
  state.counters["wait_overhead_%"] = 100.0 * (perUsbMs - bound) / bound;
  state.counters["panel_cpu_%"] = 100.0 * (cpuNs / n / 1e6) / perUsbMs;
  state.counters["peak_heap_kib"] = peak / 1024.0;
}
BENCHMARK(BM_RegionUpdate64KiB)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
