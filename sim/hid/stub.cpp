#include "sim/hid/virtual_hid_backend.h"

namespace vt::sim {

VirtualHidBackend::VirtualHidBackend(platform::Clock& clock, uint32_t latencyMs)
    : clock_(clock), latencyMs_(latencyMs) {}
VirtualHidBackend::~VirtualHidBackend() = default;
std::string VirtualHidBackend::AddBoard(BoardConfig config) {
  Slot s{"virtual:" + std::to_string(nextPath_++), std::make_unique<VirtualBoard>(std::move(config))};
  boards_.push_back(std::move(s));
  return boards_.back().path;
}
void VirtualHidBackend::RemoveBoard(const std::string&) {}
VirtualBoard* VirtualHidBackend::Board(size_t i) { return i < boards_.size() ? boards_[i].board.get() : nullptr; }
VirtualBoard* VirtualHidBackend::Board(const std::string&) { return nullptr; }
std::vector<std::string> VirtualHidBackend::Paths() const { return {}; }
size_t VirtualHidBackend::OpenHandles() const { return handles_.size(); }
std::vector<std::string> VirtualHidBackend::EntryPointNames() const { return {}; }
std::vector<platform::HidDeviceInfo> VirtualHidBackend::Enumerate() { return {}; }
int VirtualHidBackend::Open(const std::string&, platform::HidHandle* h) { *h = 0; return platform::kWaitFailed; }
void VirtualHidBackend::Close(platform::HidHandle) {}
int VirtualHidBackend::Write(platform::HidHandle, std::span<const uint8_t>, uint32_t) { return platform::kWaitFailed; }
int VirtualHidBackend::Read(platform::HidHandle, std::span<uint8_t>, uint32_t, size_t* got) { *got = 0; return platform::kWaitFailed; }
int VirtualHidBackend::GetIndexedString(platform::HidHandle, uint8_t, std::span<uint8_t>, size_t* got) { *got = 0; return platform::kWaitFailed; }
int VirtualHidBackend::GetSerial(platform::HidHandle, std::span<uint8_t>, size_t* got) { *got = 0; return platform::kWaitFailed; }
VirtualBoard* VirtualHidBackend::Live(platform::HidHandle) { return nullptr; }
void VirtualHidBackend::Transaction() {}

}  // namespace vt::sim
