#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/remote/frame_channel.h"

// A connected stream socket (TCP or Unix domain) that sends and receives whole
// frames of the board wire protocol, every wait bounded by a deadline.
namespace vt::platform::remote {

struct SocketAddress {
  enum class Kind { kTcp, kUnix };
  Kind kind = Kind::kTcp;
  std::string host;  // tcp: host name or literal, brackets removed
  std::string port;  // tcp: port number as text
  std::string path;  // unix: socket path
};

// Parses "tcp:HOST:PORT" (HOST may be "[v6]") or "unix:PATH".
std::optional<SocketAddress> ParseSocketAddress(const std::string& text);

class StreamSocket {
 public:
  StreamSocket() = default;
  ~StreamSocket() { Disconnect(); }
  StreamSocket(const StreamSocket&) = delete;
  StreamSocket& operator=(const StreamSocket&) = delete;

  // Connects, waiting at most `timeout`. Drops any earlier connection.
  bool Connect(const SocketAddress& address, std::chrono::milliseconds timeout);
  void Disconnect();
  bool Connected() const { return fd_ >= 0; }

  // Sends one frame (u32 length + body). False when the body is too large or
  // the peer did not take it before the timeout; the connection is dropped
  // on any failure because its framing can no longer be trusted.
  bool SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds timeout);

  // Receives one frame body. std::nullopt (and a dropped connection) when the
  // peer closes, stalls past the timeout or announces more than the protocol
  // allows.
  std::optional<std::vector<uint8_t>> ReceiveFrame(std::chrono::milliseconds timeout);

  // Why the last Connect, SendFrame or ReceiveFrame failed.
  const LinkFault& LastFault() const { return fault_; }

 private:
  using Deadline = std::chrono::steady_clock::time_point;
  bool SendAll(const uint8_t* data, size_t size, Deadline deadline, std::chrono::milliseconds timeout);
  bool ReceiveAll(uint8_t* data, size_t size, Deadline deadline, std::chrono::milliseconds timeout);
  // 1 ready, 0 the deadline passed, -1 the wait failed (fault set).
  int WaitFor(short events, Deadline deadline);
  bool Fail(LinkFault::Kind kind, std::string reason);
  bool FailWithError(LinkFault::Kind kind, int error);

  int fd_ = -1;
  LinkFault fault_;
};

// The socket as the remote backend's channel to one server address.
class SocketChannel final : public FrameChannel {
 public:
  explicit SocketChannel(SocketAddress address) : address_(std::move(address)) {}
  bool Connect(std::chrono::milliseconds timeout) override { return socket_.Connect(address_, timeout); }
  bool Connected() const override { return socket_.Connected(); }
  void Disconnect() override { socket_.Disconnect(); }
  bool SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds timeout) override {
    return socket_.SendFrame(body, timeout);
  }
  std::optional<std::vector<uint8_t>> ReceiveFrame(std::chrono::milliseconds timeout) override {
    return socket_.ReceiveFrame(timeout);
  }
  const LinkFault& LastFault() const override { return socket_.LastFault(); }

 private:
  SocketAddress address_;
  StreamSocket socket_;
};

}  // namespace vt::platform::remote
