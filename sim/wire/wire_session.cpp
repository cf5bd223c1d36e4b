#include "sim/wire/wire_session.h"

#include <algorithm>
#include <string>

#include "platform/remote/wire_format.h"

namespace vt::sim {

using platform::remote::Opcode;

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

WireSession::WireSession(platform::HidBackend& backend, BoardClaims* claims, std::string peer)
    : backend_(backend), claims_(claims), peer_(std::move(peer)) {
  if (claims_ != nullptr) client_ = claims_->NewClient();
  if (peer_.empty()) peer_ = "a client of the board server";
}

bool WireSession::MayUse(platform::HidHandle h) {
  const auto it = open_.find(h);
  if (it == open_.end()) return false;
  return claims_ == nullptr || claims_->MayUse(it->second, client_);
}

// A board held by another client does not take the report in time, as a
// busy device would not; the server still never waits itself.
std::vector<uint8_t> WireSession::Write(platform::HidHandle h, uint32_t waitMs,
                                        std::span<const uint8_t> report) {
  Writer w;
  if (open_.count(h) == 0) {
    w.I32(platform::kWaitFailed);
    return w.out;
  }
  if (!MayUse(h)) {
    w.I32(platform::kWaitTimeout);
    return w.out;
  }
  w.I32(backend_.Write(h, report, waitMs));
  return w.out;
}

std::vector<uint8_t> WireSession::Handle(std::span<const uint8_t> request) {
  Reader in(request);
  Writer w;
  const auto op = static_cast<Opcode>(in.U8());
  switch (op) {
    case Opcode::kEnumerate: {
      auto devices = backend_.Enumerate();
      if (devices.size() > 255) devices.resize(255);
      for (const auto& d : devices) shown_.insert(d.path);
      w.I32(platform::kWaitOk);
      w.U8(static_cast<uint8_t>(devices.size()));
      for (const auto& d : devices) PutEntry(w, d);
      return w.out;
    }
    case Opcode::kOpen: {
      const uint16_t len = in.U16();
      const auto path = in.Bytes(len);
      platform::HidHandle h = platform::kInvalidHidHandle;
      int rc = platform::kWaitFailed;
      if (in.ok()) rc = backend_.Open(std::string(path.begin(), path.end()), &h);
      if (rc == platform::kWaitOk) {
        open_[h] = std::string(path.begin(), path.end());
      } else {
        h = platform::kInvalidHidHandle;
      }
      w.I32(rc);
      w.U32(h);
      return w.out;
    }
    case Opcode::kClose: {
      // Closing a handle this client does not hold (never opened, closed
      // already, or malformed) is a failure, as a HID stack's close of a bad
      // handle is.
      const uint32_t h = in.U32();
      const bool held = in.ok() && open_.erase(h) == 1;
      if (held) backend_.Close(h);
      w.I32(held ? platform::kWaitOk : platform::kWaitFailed);
      return w.out;
    }
    case Opcode::kWrite: {
      const uint32_t h = in.U32();
      const uint32_t waitMs = in.U32();
      const uint16_t len = in.U16();
      const auto report = in.Bytes(len);
      // Only handles this client opened are usable through its connection.
      if (!in.ok()) break;
      return Write(h, waitMs, report);
    }
    case Opcode::kRead:
    case Opcode::kGetIndexedString:
    case Opcode::kGetSerial: {
      const uint32_t h = in.U32();
      const uint32_t waitMs = op == Opcode::kRead ? in.U32() : 0;
      const uint8_t index = op == Opcode::kGetIndexedString ? in.U8() : 0;
      const uint16_t len = in.U16();
      std::vector<uint8_t> buf(len);
      size_t got = 0;
      int rc = platform::kWaitFailed;
      // The serial is the device's, not the board's state: anyone may ask.
      // Replies and read-backs are held off while another client holds it.
      const bool usable = op == Opcode::kGetSerial ? open_.count(h) == 1 : MayUse(h);
      if (in.ok() && usable) {
        if (op == Opcode::kRead) rc = backend_.Read(h, buf, waitMs, &got);
        if (op == Opcode::kGetIndexedString) rc = backend_.GetIndexedString(h, index, buf, &got);
        if (op == Opcode::kGetSerial) rc = backend_.GetSerial(h, buf, &got);
      }
      if (rc != platform::kWaitOk) got = 0;
      got = std::min(got, buf.size());
      w.I32(rc);
      w.U16(static_cast<uint16_t>(got));
      w.Bytes({buf.data(), got});
      return w.out;
    }
    case Opcode::kClaim: {
      const auto path = in.Bytes(in.U16());
      const auto who = in.Bytes(in.U16());
      if (!in.ok() || claims_ == nullptr) break;
      // Only boards the server offers can be claimed; the refusal carries
      // an empty holder, which tells it from a server without claims.
      const std::string board(path.begin(), path.end());
      bool offered = shown_.count(board) == 1;
      for (const auto& d : offered ? std::vector<platform::HidDeviceInfo>{} : backend_.Enumerate()) {
        offered = offered || d.path == board;
      }
      if (!offered) {
        w.I32(platform::kWaitFailed);
        w.U16(0);
        return w.out;
      }
      std::string holder;
      // The client's own description, else what the connection tells.
      const std::string name = who.empty() ? peer_ : std::string(who.begin(), who.end());
      const bool granted = claims_->Claim(board, client_, name, &holder);
      holder.resize(std::min<size_t>(holder.size(), 0xFFFF));
      w.I32(granted ? platform::kWaitOk : platform::kWaitTimeout);
      w.U16(static_cast<uint16_t>(holder.size()));
      w.Bytes({reinterpret_cast<const uint8_t*>(holder.data()), holder.size()});
      return w.out;
    }
    case Opcode::kRelease: {
      const auto path = in.Bytes(in.U16());
      if (!in.ok() || claims_ == nullptr) break;
      w.I32(claims_->Release(std::string(path.begin(), path.end()), client_) ? platform::kWaitOk
                                                                               : platform::kWaitFailed);
      return w.out;
    }
  }
  // Unknown opcodes and malformed requests.
  Writer failed;
  failed.I32(platform::kWaitFailed);
  return failed.out;
}

void WireSession::CloseAll() {
  for (const auto& [h, path] : open_) backend_.Close(h);
  open_.clear();
  if (claims_ != nullptr) claims_->ReleaseAll(client_);
}

}  // namespace vt::sim
