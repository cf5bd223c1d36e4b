#include "tests/support/scripted_hid.h"

#include <algorithm>

namespace vt::testing {

using platform::kWaitFailed;
using platform::kWaitOk;

namespace {
size_t Place(const std::vector<uint8_t>& bytes, std::span<uint8_t> buf) {
  const size_t n = std::min(bytes.size(), buf.size());
  std::copy_n(bytes.begin(), n, buf.begin());
  return n;
}
}  // namespace

platform::HidDeviceInfo& ScriptedHid::AddBoard(const std::string& path, const std::string& serial,
                                               uint16_t version, uint16_t reportLength) {
  platform::HidDeviceInfo info;
  info.path = path;
  info.vendorId = 0x16C0;
  info.productId = 0xC35C;
  info.version = version;
  info.serial.assign(serial.begin(), serial.end());
  info.capsValid = true;
  info.inputReportLength = reportLength;
  info.outputReportLength = reportLength;
  devices.push_back(info);
  return devices.back();
}

size_t ScriptedHid::CountCalls(const std::string& call) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

bool ScriptedHid::Load() {
  calls.push_back("load");
  return loadResult;
}

std::vector<platform::HidDeviceInfo> ScriptedHid::Enumerate() {
  calls.push_back("enum");
  ++enumerations;
  return devices;
}

int ScriptedHid::Open(const std::string& path, platform::HidHandle* handle) {
  calls.push_back("open " + path);
  *handle = platform::kInvalidHidHandle;
  int result = kWaitOk;
  if (!openResults.empty()) {
    result = openResults.front();
    openResults.pop_front();
  }
  const auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const platform::HidDeviceInfo& d) { return d.path == path; });
  if (it == devices.end() || !it->openable) result = kWaitFailed;
  if (result != kWaitOk) return result;
  *handle = next_++;
  open_[*handle] = path;
  ++openHandles;
  return kWaitOk;
}

void ScriptedHid::Close(platform::HidHandle handle) {
  calls.push_back("close");
  if (open_.erase(handle) > 0) --openHandles;
}

const platform::HidDeviceInfo* ScriptedHid::DeviceOf(platform::HidHandle handle) const {
  const auto it = open_.find(handle);
  if (it == open_.end()) return nullptr;
  for (const auto& d : devices) {
    if (d.path == it->second) return &d;
  }
  return nullptr;
}

int ScriptedHid::Write(platform::HidHandle handle, std::span<const uint8_t> report,
                       uint32_t waitMs) {
  calls.push_back("write");
  if (DeviceOf(handle) == nullptr) return kWaitFailed;
  writes.push_back({handle, std::vector<uint8_t>(report.begin(), report.end()), waitMs});
  if (writeResults.empty()) return kWaitOk;
  const int result = writeResults.front();
  writeResults.pop_front();
  return result;
}

std::vector<uint8_t> ScriptedHid::EchoReply() const {
  const uint8_t tag = writes.empty() || writes.back().bytes.size() < 3 ? 0 : writes.back().bytes[2];
  return {echoD0, echoStatus, 0, 0, static_cast<uint8_t>(tag ^ echoTagXor), 0, 0, 0};
}

int ScriptedHid::Read(platform::HidHandle handle, std::span<uint8_t> buf, uint32_t, size_t* got) {
  calls.push_back("read");
  *got = 0;
  if (DeviceOf(handle) == nullptr) return kWaitFailed;
  Reply reply;
  if (!reads.empty()) {
    reply = reads.front();
    reads.pop_front();
  } else {
    reply.bytes = EchoReply();
    reply.bytes.insert(reply.bytes.begin(), 0);  // report ID
  }
  *got = Place(reply.bytes, buf);
  return reply.result;
}

int ScriptedHid::GetIndexedString(platform::HidHandle handle, uint8_t index,
                                  std::span<uint8_t> buf, size_t* got) {
  calls.push_back("string " + std::to_string(index));
  *got = 0;
  if (DeviceOf(handle) == nullptr) return kWaitFailed;
  Reply reply;
  auto& queue = strings[index];
  if (!queue.empty()) {
    reply = queue.front();
    queue.pop_front();
  } else if (index == 244) {
    reply.bytes = EchoReply();
  } else if (stringHandler) {
    reply = stringHandler(index, buf.size());
  } else {
    reply.result = kWaitFailed;
  }
  *got = Place(reply.bytes, buf);
  return reply.result;
}

int ScriptedHid::GetSerial(platform::HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  calls.push_back("serial");
  *got = 0;
  const platform::HidDeviceInfo* d = DeviceOf(handle);
  if (d == nullptr) return kWaitFailed;
  std::vector<uint8_t> bytes;
  for (char16_t u : d->serial) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  if (bytes.size() + 2 <= buf.size()) bytes.insert(bytes.end(), {0, 0});
  *got = Place(bytes, buf);
  return kWaitOk;
}

}  // namespace vt::testing
