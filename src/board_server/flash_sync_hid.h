#pragma once

// The board server's HID side when its boards keep their flash in files:
// a write that changed a board's flash is on disk, flushed, before the
// write is answered. A write a client saw go through is never lost if the
// server dies; one that could not be kept is answered as failed.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forwarding_hid_backend.h"
#include "sim/hid/virtual_hid_backend.h"

namespace vt::sim {

class FlashSyncHid final : public platform::ForwardingHidBackend {
 public:
  // Board i keeps its flash in flashFiles[i], which holds that flash now
  // (loaded from it or just saved to it).
  FlashSyncHid(VirtualHidBackend& boards, std::vector<std::string> flashFiles);

  int Write(platform::HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;

 private:
  // What is on disk of one flash region, and where in its board's file.
  struct KeptRegion {
    size_t board = 0;
    uint32_t base = 0;
    uint64_t fileOffset = 0;
    std::vector<uint8_t> onDisk;
  };
  // Writes the changed part of every region to its file; false (reason on
  // stderr) when one could not be written.
  bool KeepChangedFlash();

  VirtualHidBackend& boards_;
  std::vector<std::string> files_;
  std::vector<KeptRegion> regions_;
};

}  // namespace vt::sim
