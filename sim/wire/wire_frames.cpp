#include "sim/wire/wire_frames.h"

namespace vt::sim {

std::optional<std::vector<uint8_t>> FrameReader::Next() {
  if (broken_) return std::nullopt;
  const size_t have = in_.size() - start_;
  if (have < 4) return std::nullopt;
  const uint8_t* p = in_.data() + start_;
  const uint32_t len = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  if (len > maxBody_) {
    broken_ = true;
    return std::nullopt;
  }
  if (have - 4 < len) return std::nullopt;
  std::vector<uint8_t> body(p + 4, p + 4 + len);
  start_ += 4 + size_t{len};
  // Drop what was handed out once it is most of the buffer, so a long
  // session neither grows nor copies without end.
  if (start_ == in_.size()) {
    in_.clear();
    start_ = 0;
  } else if (start_ > 65536 && start_ * 2 > in_.size()) {
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  return body;
}

std::vector<uint8_t> FrameOf(std::span<const uint8_t> body) {
  std::vector<uint8_t> frame;
  frame.reserve(4 + body.size());
  const auto len = static_cast<uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) frame.push_back(static_cast<uint8_t>(len >> (8 * i)));
  frame.insert(frame.end(), body.begin(), body.end());
  return frame;
}

}  // namespace vt::sim
