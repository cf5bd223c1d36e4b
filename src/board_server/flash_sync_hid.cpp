#include "board_server/flash_sync_hid.h"

#include <cstdio>

#include "platform/file_patch.h"

namespace vt::sim {
namespace {

// The flash file's layout (VirtualBoard::SaveFlash): magic and region count,
// then per flash region its base, its size and its bytes.
constexpr uint64_t kFileHeaderBytes = 8 + 4;
constexpr uint64_t kRegionHeaderBytes = 8;

}  // namespace

FlashSyncHid::FlashSyncHid(VirtualHidBackend& boards, std::vector<std::string> flashFiles)
    : ForwardingHidBackend(boards), boards_(boards), files_(std::move(flashFiles)) {
  for (size_t i = 0; i < files_.size() && i < boards_.BoardCount(); ++i) {
    const VirtualBoard* board = boards_.Board(i);
    uint64_t at = kFileHeaderBytes;
    for (const MemoryRegion& r : board->Config().regions) {
      if (r.kind != MemoryRegion::Kind::kFlash) continue;
      at += kRegionHeaderBytes;
      regions_.push_back({i, r.base, at, board->Peek(r.base, r.size)});
      at += r.size;
    }
  }
}

int FlashSyncHid::Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  const int rc = Inner().Write(handle, report, waitMs);
  // Not on disk: not acknowledged.
  if (!KeepChangedFlash()) return platform::kWaitFailed;
  return rc;
}

bool FlashSyncHid::KeepChangedFlash() {
  bool ok = true;
  for (KeptRegion& kept : regions_) {
    const VirtualBoard* board = boards_.Board(kept.board);
    if (board == nullptr || !board->FlashDirty()) continue;
    const std::vector<uint8_t> now = board->Peek(kept.base, kept.onDisk.size());
    size_t first = 0;
    while (first < now.size() && now[first] == kept.onDisk[first]) ++first;
    if (first == now.size()) continue;
    size_t end = now.size();
    while (end > first && now[end - 1] == kept.onDisk[end - 1]) --end;
    const std::string error = platform::OverwriteFileAt(
        files_[kept.board], kept.fileOffset + first, std::span<const uint8_t>(now).subspan(first, end - first));
    if (!error.empty()) {
      std::fprintf(stderr, "velotrack-board: cannot keep the flash change: %s\n", error.c_str());
      ok = false;
      continue;
    }
    std::copy(now.begin() + static_cast<std::ptrdiff_t>(first), now.begin() + static_cast<std::ptrdiff_t>(end),
              kept.onDisk.begin() + static_cast<std::ptrdiff_t>(first));
  }
  return ok;
}

}  // namespace vt::sim
