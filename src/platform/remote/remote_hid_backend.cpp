#include "platform/remote/remote_hid_backend.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/remote/wire_format.h"

namespace vt::platform::remote {

namespace {

// Buffer sizes travel as u16; a larger caller buffer asks for the most the
// protocol can carry.
uint16_t RequestSize(size_t bufferSize) {
  return static_cast<uint16_t>(std::min<size_t>(bufferSize, std::numeric_limits<uint16_t>::max()));
}

}  // namespace

RemoteHidBackend::RemoteHidBackend(std::string address, Clock* clock,
                                   std::chrono::milliseconds socketTimeout)
    : addressText_(std::move(address)),
      address_(ParseSocketAddress(addressText_)),
      clock_(clock),
      timeout_(socketTimeout) {}

void RemoteHidBackend::Disconnect() {
  socket_.Disconnect();
  handles_.clear();
}

bool RemoteHidBackend::EnsureConnected() {
  if (socket_.Connected()) return true;
  handles_.clear();
  if (!address_) return false;
  return socket_.Connect(*address_, timeout_);
}

// A server that is not up yet is not a broken HID stack: the first
// Enumerate or Open connects when it is there. Only an address that can
// never work fails the load.
bool RemoteHidBackend::Load() {
  EnsureConnected();
  return AddressValid();
}

std::vector<std::string> RemoteHidBackend::EntryPointNames() const {
  return {"ENUMERATE", "OPEN", "CLOSE", "WRITE", "READ", "GET_INDEXED_STRING", "GET_SERIAL"};
}

std::optional<std::vector<uint8_t>> RemoteHidBackend::Exchange(const std::vector<uint8_t>& request) {
  std::optional<std::vector<uint8_t>> response;
  if (socket_.SendFrame(request, timeout_)) response = socket_.ReceiveFrame(timeout_);
  // The socket drops itself on any failure; the handles go with it.
  if (!socket_.Connected()) handles_.clear();
  return response;
}

// Enumerate and Open carry no server state, so when the server closed the
// connection since the last exchange (it was restarted) they connect again
// and ask once more, as a HID stack finds a board that was plugged back in.
std::optional<std::vector<uint8_t>> RemoteHidBackend::ExchangeStateless(
    const std::vector<uint8_t>& request) {
  const bool wasConnected = socket_.Connected();
  if (!EnsureConnected()) return std::nullopt;
  auto response = Exchange(request);
  if (!response && wasConnected && EnsureConnected()) response = Exchange(request);
  return response;
}

std::optional<uint32_t> RemoteHidBackend::ServerHandle(HidHandle handle) const {
  const auto it = handles_.find(handle);
  if (it == handles_.end()) return std::nullopt;
  return it->second;
}

std::vector<HidDeviceInfo> RemoteHidBackend::Enumerate() {
  const auto response = ExchangeStateless(EncodeEnumerate());
  if (!response) return {};
  auto devices = DecodeEnumerate(*response);
  return devices ? std::move(*devices) : std::vector<HidDeviceInfo>{};
}

int RemoteHidBackend::Open(const std::string& path, HidHandle* handle) {
  *handle = kInvalidHidHandle;
  const auto request = EncodeOpen(path);
  if (!request) return kWaitFailed;
  const auto response = ExchangeStateless(*request);
  if (!response) return kWaitFailed;
  const auto decoded = DecodeOpen(*response);
  if (!decoded) return kWaitFailed;
  if (decoded->result != kWaitOk) return decoded->result;
  // Skip the invalid value when the counter wraps.
  if (nextHandle_ == kInvalidHidHandle) ++nextHandle_;
  const HidHandle ours = nextHandle_++;
  handles_[ours] = decoded->handle;
  *handle = ours;
  return kWaitOk;
}

void RemoteHidBackend::Close(HidHandle handle) {
  const auto server = ServerHandle(handle);
  if (!server) return;
  handles_.erase(handle);
  Exchange(EncodeClose(*server));
}

int RemoteHidBackend::Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  const auto server = ServerHandle(handle);
  if (!server) return kWaitFailed;
  const auto request = EncodeWrite(*server, waitMs, report);
  if (!request) return kWaitFailed;
  const auto response = Exchange(*request);
  if (!response) return kWaitFailed;
  const auto result = DecodeResultOnly(*response);
  if (!result) return kWaitFailed;
  if (*result == kWaitTimeout && clock_ != nullptr) clock_->SleepMs(waitMs);
  return *result;
}

int RemoteHidBackend::FetchData(const std::vector<uint8_t>& request, uint16_t requested,
                                std::span<uint8_t> buf, size_t* got) {
  const auto response = Exchange(request);
  if (!response) return kWaitFailed;
  const auto decoded = DecodeData(*response, requested);
  if (!decoded) return kWaitFailed;
  // DecodeData holds n to at most the requested size, which is at most the
  // buffer's size.
  if (!decoded->data.empty()) std::memcpy(buf.data(), decoded->data.data(), decoded->data.size());
  *got = decoded->data.size();
  return decoded->result;
}

int RemoteHidBackend::Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  *got = 0;
  const auto server = ServerHandle(handle);
  if (!server) return kWaitFailed;
  const uint16_t size = RequestSize(buf.size());
  const int result = FetchData(EncodeRead(*server, waitMs, size), size, buf, got);
  if (result == kWaitTimeout && clock_ != nullptr) clock_->SleepMs(waitMs);
  return result;
}

int RemoteHidBackend::GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                       size_t* got) {
  *got = 0;
  const auto server = ServerHandle(handle);
  if (!server) return kWaitFailed;
  const uint16_t size = RequestSize(buf.size());
  return FetchData(EncodeGetIndexedString(*server, index, size), size, buf, got);
}

int RemoteHidBackend::GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  const auto server = ServerHandle(handle);
  if (!server) return kWaitFailed;
  const uint16_t size = RequestSize(buf.size());
  return FetchData(EncodeGetSerial(*server, size), size, buf, got);
}

}  // namespace vt::platform::remote
