#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vt::sim {

// Cuts a client's byte stream into request bodies (u32 length, then that
// many bytes). Bytes arrive in whatever pieces the socket hands over.
class FrameReader {
 public:
  explicit FrameReader(uint32_t maxBody) : maxBody_(maxBody) {}

  void Append(std::span<const uint8_t> bytes) { in_.insert(in_.end(), bytes.begin(), bytes.end()); }
  // The next whole body, or nothing yet. Once a frame announces more than
  // the protocol allows the stream is broken for good: the framing can no
  // longer be trusted.
  std::optional<std::vector<uint8_t>> Next();
  bool Broken() const { return broken_; }
  size_t Buffered() const { return in_.size() - start_; }

 private:
  uint32_t maxBody_;
  std::vector<uint8_t> in_;
  size_t start_ = 0;  // bytes before this were handed out already
  bool broken_ = false;
};

// A response frame: the length and then the body.
std::vector<uint8_t> FrameOf(std::span<const uint8_t> body);

}  // namespace vt::sim
