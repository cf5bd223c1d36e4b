#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The byte stream under the board wire protocol, as whole frames. The
// remote backend talks through this; the socket is the real one, tests and
// fuzzing put a scripted peer here.
namespace vt::platform::remote {

// Why the link to the board server failed last.
struct LinkFault {
  enum class Kind {
    kNone,
    kUnreachable,  // no connection: refused, no such socket, unknown host
    kTimedOut,     // the server took longer than the wait allows
    kClosed,       // the server closed the connection
    kProtocol,     // the server sent something that is not the protocol
  };
  Kind kind = Kind::kNone;
  std::string reason;  // one line, lower case: "connection refused"
};

class FrameChannel {
 public:
  virtual ~FrameChannel() = default;

  // Connects, waiting at most `timeout`; drops any earlier connection.
  virtual bool Connect(std::chrono::milliseconds timeout) = 0;
  virtual bool Connected() const = 0;
  virtual void Disconnect() = 0;
  // One frame each way. On any failure the connection is dropped, because
  // its framing can no longer be trusted, and LastFault() says why.
  virtual bool SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds timeout) = 0;
  virtual std::optional<std::vector<uint8_t>> ReceiveFrame(std::chrono::milliseconds timeout) = 0;
  virtual const LinkFault& LastFault() const = 0;
};

}  // namespace vt::platform::remote
