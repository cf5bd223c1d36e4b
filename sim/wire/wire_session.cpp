#include "sim/wire/wire_session.h"

#include <algorithm>
#include <string>

namespace vt::sim {

namespace {

// Reads fields from a request body; any read past the end marks it bad.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b) {}
  uint8_t U8() { return Need(1) ? b_[pos_++] : 0; }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(b_[pos_] | b_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | uint32_t{U16()} << 16;
  }
  std::span<const uint8_t> Bytes(size_t n) {
    if (!Need(n)) return {};
    auto s = b_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  bool ok() const { return ok_; }

 private:
  bool Need(size_t n) {
    if (!ok_ || b_.size() - pos_ < n) ok_ = false;
    return ok_;
  }
  std::span<const uint8_t> b_;
  size_t pos_ = 0;
  bool ok_ = true;
};

class Writer {
 public:
  void U8(uint8_t v) { out.push_back(v); }
  void U16(uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v & 0xFFFF));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(std::span<const uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }
  std::vector<uint8_t> out;
};

void PutEntry(Writer& w, const platform::HidDeviceInfo& d) {
  const size_t pathLen = std::min<size_t>(d.path.size(), 0xFFFF);
  w.U16(static_cast<uint16_t>(pathLen));
  w.Bytes({reinterpret_cast<const uint8_t*>(d.path.data()), pathLen});
  w.U16(d.vendorId);
  w.U16(d.productId);
  w.U16(d.version);
  const size_t units = std::min<size_t>(d.serial.size(), 0xFF);
  w.U8(static_cast<uint8_t>(units));
  for (size_t i = 0; i < units; ++i) w.U16(static_cast<uint16_t>(d.serial[i]));
  w.U8(d.capsValid ? 1 : 0);
  w.U16(d.inputReportLength);
  w.U16(d.outputReportLength);
  w.U8(d.openable ? 1 : 0);
}

}  // namespace

std::vector<uint8_t> WireSession::Handle(std::span<const uint8_t> request) {
  Reader in(request);
  Writer w;
  const auto op = static_cast<WireOp>(in.U8());
  switch (op) {
    case WireOp::kEnumerate: {
      auto devices = backend_.Enumerate();
      if (devices.size() > 255) devices.resize(255);
      w.I32(platform::kWaitOk);
      w.U8(static_cast<uint8_t>(devices.size()));
      for (const auto& d : devices) PutEntry(w, d);
      return w.out;
    }
    case WireOp::kOpen: {
      const uint16_t len = in.U16();
      const auto path = in.Bytes(len);
      platform::HidHandle h = platform::kInvalidHidHandle;
      int rc = platform::kWaitFailed;
      if (in.ok()) rc = backend_.Open(std::string(path.begin(), path.end()), &h);
      if (rc == platform::kWaitOk) {
        open_.insert(h);
      } else {
        h = platform::kInvalidHidHandle;
      }
      w.I32(rc);
      w.U32(h);
      return w.out;
    }
    case WireOp::kClose: {
      // Closing a handle this client does not hold (never opened, closed
      // already, or malformed) is a failure, as a HID stack's close of a bad
      // handle is.
      const uint32_t h = in.U32();
      const bool held = in.ok() && open_.erase(h) == 1;
      if (held) backend_.Close(h);
      w.I32(held ? platform::kWaitOk : platform::kWaitFailed);
      return w.out;
    }
    case WireOp::kWrite: {
      const uint32_t h = in.U32();
      const uint32_t waitMs = in.U32();
      const uint16_t len = in.U16();
      const auto report = in.Bytes(len);
      // Only handles this client opened are usable through its connection.
      const bool usable = in.ok() && open_.count(h);
      w.I32(usable ? backend_.Write(h, report, waitMs) : platform::kWaitFailed);
      return w.out;
    }
    case WireOp::kRead:
    case WireOp::kGetIndexedString:
    case WireOp::kGetSerial: {
      const uint32_t h = in.U32();
      const uint32_t waitMs = op == WireOp::kRead ? in.U32() : 0;
      const uint8_t index = op == WireOp::kGetIndexedString ? in.U8() : 0;
      const uint16_t len = in.U16();
      std::vector<uint8_t> buf(len);
      size_t got = 0;
      int rc = platform::kWaitFailed;
      if (in.ok() && open_.count(h)) {
        if (op == WireOp::kRead) rc = backend_.Read(h, buf, waitMs, &got);
        if (op == WireOp::kGetIndexedString) rc = backend_.GetIndexedString(h, index, buf, &got);
        if (op == WireOp::kGetSerial) rc = backend_.GetSerial(h, buf, &got);
      }
      if (rc != platform::kWaitOk) got = 0;
      got = std::min(got, buf.size());
      w.I32(rc);
      w.U16(static_cast<uint16_t>(got));
      w.Bytes({buf.data(), got});
      return w.out;
    }
  }
  w.I32(platform::kWaitFailed);  // unknown opcode
  return w.out;
}

void WireSession::CloseAll() {
  for (platform::HidHandle h : open_) backend_.Close(h);
  open_.clear();
}

}  // namespace vt::sim
