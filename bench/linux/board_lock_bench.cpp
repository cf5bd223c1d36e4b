// What one hold of a board costs on Linux: the exclusive flock() on the
// board's node that every read and write takes (open, lock, close).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/hid_linux/board_write_lock.h"
#include "platform/wait_codes.h"

namespace {

void BM_BoardLockTakeRelease(benchmark::State& state) {
  const std::string node =
      (std::filesystem::temp_directory_path() / ("hidraw-bench-" + std::to_string(getpid()))).string();
  std::ofstream(node).put('\0');
  vt::platform::hidraw::BoardWriteLock lock;
  std::string holder;
  for (auto _ : state) {
    if (lock.Take(node, &holder) != vt::platform::kWaitOk) state.SkipWithError("refused");
    lock.Release(node);
  }
  std::remove(node.c_str());
}
BENCHMARK(BM_BoardLockTakeRelease)->Unit(benchmark::kMicrosecond);

}  // namespace
