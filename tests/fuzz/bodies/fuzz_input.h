#pragma once

// Splits one fuzz input into the values a target needs, in order. Reads
// past the end give zeros, so every input is usable however short.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace vt::fuzz {

class FuzzInput {
 public:
  explicit FuzzInput(std::span<const uint8_t> data) : data_(data) {}

  uint8_t U8() { return pos_ < data_.size() ? data_[pos_++] : 0; }
  uint16_t U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | uint32_t{U16()} << 16;
  }
  bool Bool() { return (U8() & 1) != 0; }
  // Up to n bytes (fewer when the input runs out).
  std::span<const uint8_t> Bytes(size_t n) {
    n = std::min(n, Remaining());
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  // A length-prefixed (u16) piece.
  std::span<const uint8_t> Piece() { return Bytes(U16()); }
  std::span<const uint8_t> Rest() { return Bytes(Remaining()); }
  size_t Remaining() const { return data_.size() - pos_; }
  bool Empty() const { return pos_ >= data_.size(); }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

// A property every input must keep; breaking it is a finding, so it stops
// the run the way a sanitizer report does (and fails the replay test).
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

}  // namespace vt::fuzz
