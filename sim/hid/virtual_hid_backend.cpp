#include "sim/hid/virtual_hid_backend.h"

#include <algorithm>

namespace vt::sim {

using platform::HidHandle;
using platform::kWaitFailed;
using platform::kWaitOk;
using platform::kWaitTimeout;

VirtualHidBackend::VirtualHidBackend(platform::Clock& clock, uint32_t latencyMs)
    : clock_(clock), latencyMs_(latencyMs) {}

VirtualHidBackend::~VirtualHidBackend() = default;

std::string VirtualHidBackend::AddBoard(BoardConfig config) {
  Slot slot{"virtual:" + std::to_string(nextPath_++),
            std::make_unique<VirtualBoard>(std::move(config))};
  boards_.push_back(std::move(slot));
  return boards_.back().path;
}

void VirtualHidBackend::FactoryReset() {
  handles_.clear();
  nextHandle_ = 1;
  for (auto& s : boards_) s.board->FactoryReset();
}

void VirtualHidBackend::RemoveBoard(const std::string& path) {
  auto it = std::find_if(boards_.begin(), boards_.end(),
                         [&](const Slot& s) { return s.path == path; });
  if (it == boards_.end()) return;
  VirtualBoard* gone = it->board.get();
  std::erase_if(handles_, [&](const auto& h) { return h.second.board == gone; });
  boards_.erase(it);
}

VirtualBoard* VirtualHidBackend::Board(size_t index) {
  return index < boards_.size() ? boards_[index].board.get() : nullptr;
}

VirtualBoard* VirtualHidBackend::Board(const std::string& path) {
  for (auto& s : boards_) {
    if (s.path == path) return s.board.get();
  }
  return nullptr;
}

std::vector<std::string> VirtualHidBackend::Paths() const {
  std::vector<std::string> out;
  for (const auto& s : boards_) out.push_back(s.path);
  return out;
}

size_t VirtualHidBackend::OpenHandles() const {
  size_t n = 0;
  for (const auto& [h, open] : handles_) n += open.board->Generation() == open.generation;
  return n;
}

std::vector<std::string> VirtualHidBackend::EntryPointNames() const {
  return {"Enumerate", "Open", "Close", "Write", "Read", "GetIndexedString", "GetSerial"};
}

std::vector<platform::HidDeviceInfo> VirtualHidBackend::Enumerate() {
  std::vector<platform::HidDeviceInfo> out;
  for (auto& s : boards_) {
    if (auto info = s.board->Enumerate()) {
      info->path = s.path;
      out.push_back(std::move(*info));
    }
  }
  return out;
}

int VirtualHidBackend::Open(const std::string& path, HidHandle* handle) {
  *handle = platform::kInvalidHidHandle;
  VirtualBoard* board = Board(path);
  if (!board || board->Open() != kWaitOk) return kWaitFailed;
  const HidHandle h = nextHandle_++;
  if (nextHandle_ == platform::kInvalidHidHandle) nextHandle_ = 1;
  handles_[h] = {board, board->Generation()};
  *handle = h;
  return kWaitOk;
}

void VirtualHidBackend::Close(HidHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return;
  it->second.board->Close();
  handles_.erase(it);
}

VirtualBoard* VirtualHidBackend::Live(HidHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return nullptr;
  VirtualBoard* board = it->second.board;
  return board->Generation() == it->second.generation ? board : nullptr;
}

void VirtualHidBackend::Transaction() {
  if (latencyMs_) (latencyClock_ != nullptr ? *latencyClock_ : clock_).SleepMs(latencyMs_);
}

int VirtualHidBackend::Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  VirtualBoard* board = Live(handle);
  if (!board) return kWaitFailed;
  Transaction();
  const int rc = board->Write(report, waitMs);
  if (rc == kWaitTimeout) clock_.SleepMs(waitMs);
  return rc;
}

int VirtualHidBackend::Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs,
                            size_t* got) {
  *got = 0;
  VirtualBoard* board = Live(handle);
  if (!board) return kWaitFailed;
  Transaction();
  const int rc = board->Read(buf, waitMs, got);
  if (rc == kWaitTimeout) clock_.SleepMs(waitMs);
  return rc;
}

int VirtualHidBackend::GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                        size_t* got) {
  *got = 0;
  VirtualBoard* board = Live(handle);
  if (!board) return kWaitFailed;
  Transaction();
  return board->GetIndexedString(index, buf, got);
}

int VirtualHidBackend::GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  VirtualBoard* board = Live(handle);
  if (!board) return kWaitFailed;
  Transaction();
  return board->GetSerial(buf, got);
}

}  // namespace vt::sim
