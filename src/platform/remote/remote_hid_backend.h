#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "platform/remote/stream_socket.h"

namespace vt::platform::remote {

// HID primitives carried over the board wire protocol to a board server
// (the virtual board, an emulated firmware, a test board) at
// "tcp:HOST:PORT" or "unix:PATH".
//
// The server answers every request promptly; the socket waits are bounded
// only so that a hung peer cannot hang the panel. A bounded HID wait that
// the server reports as run out is charged to the clock (when one is
// given), because the server never spends that time itself.
//
// When the connection breaks every handle is gone and every primitive fails
// with kWaitFailed; Load, Enumerate and Open connect again. Load succeeds for
// any well-formed address, so a server started after the panel is found by
// the next detection. Handles given to
// callers are the backend's own, so a handle from before a reconnect can
// never alias one the server hands out afterwards.
class RemoteHidBackend final : public HidBackend {
 public:
  static constexpr std::chrono::milliseconds kDefaultSocketTimeout{5000};

  // `clock` may be null: then run-out waits are not charged anywhere.
  explicit RemoteHidBackend(std::string address, Clock* clock = nullptr,
                            std::chrono::milliseconds socketTimeout = kDefaultSocketTimeout);
  // The same over any channel (tests and fuzzing script the server);
  // `address` only names it in messages.
  RemoteHidBackend(std::string address, std::unique_ptr<FrameChannel> channel, Clock* clock,
                   std::chrono::milliseconds socketTimeout = kDefaultSocketTimeout);

  // False when the address cannot be parsed.
  bool AddressValid() const { return channel_ != nullptr; }
  const std::string& AddressText() const { return addressText_; }
  bool Connected() const { return channel_ != nullptr && channel_->Connected(); }
  // Why the last exchange with the server failed; kNone after one that
  // went through.
  const LinkFault& LastFault() const { return fault_; }
  // "Board server unreachable: tcp:127.0.0.1:5 (connection refused)" and
  // the like, or empty while the server answers.
  std::string StackError() const override;
  // Drops the connection (and every handle) as a broken link would.
  void Disconnect();

  bool Load() override;
  std::vector<std::string> EntryPointNames() const override;
  std::vector<HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, HidHandle* handle) override;
  void Close(HidHandle handle) override;
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override;
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override;
  // The server's CLAIM and RELEASE. A server that does not know them
  // answers -1: the client then goes on without (kWaitOk), as it did
  // before there were claims. `who` gets this process's id appended.
  int Claim(const std::string& path, const std::string& who, std::string* holder) override;
  void Release(const std::string& path) override;

 private:
  bool EnsureConnected();
  // One request, one response. std::nullopt when the link failed.
  std::optional<std::vector<uint8_t>> Exchange(const std::vector<uint8_t>& request);
  // The same for a request that holds no server state: a connection the
  // server dropped in the meantime is replaced once.
  std::optional<std::vector<uint8_t>> ExchangeStateless(const std::vector<uint8_t>& request);
  // The server's handle for one of ours, or nullopt when it is not (or no
  // longer) valid.
  std::optional<uint32_t> ServerHandle(HidHandle handle) const;
  int FetchData(const std::vector<uint8_t>& request, uint16_t requested,
                std::span<uint8_t> buf, size_t* got);

  // A well-framed answer that does not decode: the server does not speak
  // the protocol (or not this version of it).
  void ProtocolFault(const char* request);

  std::string addressText_;
  std::unique_ptr<FrameChannel> channel_;
  Clock* clock_;
  std::chrono::milliseconds timeout_;
  LinkFault fault_;
  std::map<HidHandle, uint32_t> handles_;  // ours -> the server's
  HidHandle nextHandle_ = 1;
};

}  // namespace vt::platform::remote
