#include "platform/remote/remote_hid_backend.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/remote/wire_format.h"
#include "platform/sockets/socket_os.h"

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
    : addressText_(std::move(address)), clock_(clock), timeout_(socketTimeout) {
  if (auto parsed = ParseSocketAddress(addressText_)) {
    channel_ = std::make_unique<SocketChannel>(std::move(*parsed));
  }
}

RemoteHidBackend::RemoteHidBackend(std::string address, std::unique_ptr<FrameChannel> channel,
                                   Clock* clock, std::chrono::milliseconds socketTimeout)
    : addressText_(std::move(address)), channel_(std::move(channel)), clock_(clock), timeout_(socketTimeout) {}

void RemoteHidBackend::Disconnect() {
  if (channel_) channel_->Disconnect();
  handles_.clear();
}

std::string RemoteHidBackend::StackError() const {
  const char* what = nullptr;
  switch (fault_.kind) {
    case LinkFault::Kind::kNone: return {};
    case LinkFault::Kind::kUnreachable: what = "Board server unreachable"; break;
    case LinkFault::Kind::kTimedOut: what = "Board server timed out"; break;
    case LinkFault::Kind::kClosed: what = "Board server connection lost"; break;
    case LinkFault::Kind::kProtocol: what = "Board server protocol error"; break;
  }
  return std::string(what) + ": " + addressText_ + " (" + fault_.reason + ")";
}

void RemoteHidBackend::ProtocolFault(const char* request) {
  fault_.kind = LinkFault::Kind::kProtocol;
  fault_.reason = std::string("malformed answer to ") + request;
  // Whatever came after cannot be trusted to line up with our requests.
  Disconnect();
}

bool RemoteHidBackend::EnsureConnected() {
  if (channel_ == nullptr) return false;
  if (channel_->Connected()) return true;
  handles_.clear();
  if (channel_->Connect(timeout_)) return true;
  fault_ = channel_->LastFault();
  return false;
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
  if (channel_ == nullptr) return response;
  if (channel_->SendFrame(request, timeout_)) response = channel_->ReceiveFrame(timeout_);
  fault_ = response ? LinkFault{} : channel_->LastFault();
  // The channel drops itself on any failure; the handles go with it.
  if (!channel_->Connected()) handles_.clear();
  return response;
}

// Enumerate and Open carry no server state, so when the server closed the
// connection since the last exchange (it was restarted) they connect again
// and ask once more, as a HID stack finds a board that was plugged back in.
std::optional<std::vector<uint8_t>> RemoteHidBackend::ExchangeStateless(
    const std::vector<uint8_t>& request) {
  const bool wasConnected = Connected();
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
  if (!devices) ProtocolFault("ENUMERATE");
  return devices ? std::move(*devices) : std::vector<HidDeviceInfo>{};
}

int RemoteHidBackend::Open(const std::string& path, HidHandle* handle) {
  *handle = kInvalidHidHandle;
  const auto request = EncodeOpen(path);
  if (!request) return kWaitFailed;
  const auto response = ExchangeStateless(*request);
  if (!response) return kWaitFailed;
  const auto decoded = DecodeOpen(*response);
  if (!decoded) {
    ProtocolFault("OPEN");
    return kWaitFailed;
  }
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
  if (!result) {
    ProtocolFault("WRITE");
    return kWaitFailed;
  }
  if (*result == kWaitTimeout && clock_ != nullptr) clock_->SleepMs(waitMs);
  return *result;
}

int RemoteHidBackend::FetchData(const std::vector<uint8_t>& request, uint16_t requested,
                                std::span<uint8_t> buf, size_t* got) {
  const auto response = Exchange(request);
  if (!response) return kWaitFailed;
  const auto decoded = DecodeData(*response, requested);
  if (!decoded) {
    ProtocolFault("a data request");
    return kWaitFailed;
  }
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

int RemoteHidBackend::Claim(const std::string& path, const std::string& who, std::string* holder) {
  const auto request = EncodeClaim(path, who + " (" + sockets::ThisProcess() + ")");
  if (!request) return kWaitFailed;
  const auto response = ExchangeStateless(*request);
  if (!response) return kWaitFailed;
  const auto decoded = DecodeClaim(*response);
  if (!decoded) {
    ProtocolFault("CLAIM");
    return kWaitFailed;
  }
  if (decoded->result == kWaitTimeout) {
    *holder = decoded->holder.empty() ? "another client of the board server" : decoded->holder;
    return kWaitTimeout;
  }
  // A board the server does not offer cannot be claimed; a server from
  // before claims cannot tell, and the client goes ahead as it did then.
  if (decoded->result == kWaitFailed && decoded->claimsKnown) return kWaitFailed;
  return kWaitOk;
}

void RemoteHidBackend::Release(const std::string& path) {
  const auto request = EncodeRelease(path);
  if (request && Connected()) Exchange(*request);
}

}  // namespace vt::platform::remote
