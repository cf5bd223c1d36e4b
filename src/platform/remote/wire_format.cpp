#include "platform/remote/wire_format.h"

#include <limits>

namespace vt::platform::remote {

void ByteWriter::U16(uint16_t v) {
  U8(static_cast<uint8_t>(v));
  U8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  U16(static_cast<uint16_t>(v));
  U16(static_cast<uint16_t>(v >> 16));
}

bool ByteReader::U8(uint8_t* v) {
  if (!ok_ || Remaining() < 1) return ok_ = false;
  *v = bytes_[pos_++];
  return true;
}

bool ByteReader::U16(uint16_t* v) {
  if (!ok_ || Remaining() < 2) return ok_ = false;
  *v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
  pos_ += 2;
  return true;
}

bool ByteReader::U32(uint32_t* v) {
  if (!ok_ || Remaining() < 4) return ok_ = false;
  *v = static_cast<uint32_t>(bytes_[pos_]) | static_cast<uint32_t>(bytes_[pos_ + 1]) << 8 |
       static_cast<uint32_t>(bytes_[pos_ + 2]) << 16 | static_cast<uint32_t>(bytes_[pos_ + 3]) << 24;
  pos_ += 4;
  return true;
}

bool ByteReader::I32(int32_t* v) {
  uint32_t u = 0;
  if (!U32(&u)) return false;
  *v = static_cast<int32_t>(u);
  return true;
}

std::span<const uint8_t> ByteReader::Bytes(size_t n) {
  if (!ok_ || Remaining() < n) {
    ok_ = false;
    return {};
  }
  auto out = bytes_.subspan(pos_, n);
  pos_ += n;
  return out;
}

namespace {

constexpr size_t kU16Max = std::numeric_limits<uint16_t>::max();

ByteWriter Request(Opcode op) {
  ByteWriter w;
  w.U8(static_cast<uint8_t>(op));
  return w;
}

}  // namespace

std::vector<uint8_t> EncodeEnumerate() { return Request(Opcode::kEnumerate).Take(); }

std::optional<std::vector<uint8_t>> EncodeOpen(const std::string& path) {
  if (path.size() > kU16Max) return std::nullopt;
  auto w = Request(Opcode::kOpen);
  w.U16(static_cast<uint16_t>(path.size()));
  w.Bytes({reinterpret_cast<const uint8_t*>(path.data()), path.size()});
  return w.Take();
}

std::vector<uint8_t> EncodeClose(uint32_t handle) {
  auto w = Request(Opcode::kClose);
  w.U32(handle);
  return w.Take();
}

std::optional<std::vector<uint8_t>> EncodeWrite(uint32_t handle, uint32_t waitMs,
                                                std::span<const uint8_t> report) {
  // The whole body (opcode, handle, wait, length, report) must fit a frame.
  if (report.size() > kU16Max || report.size() + 11 > kMaxFrameBody) return std::nullopt;
  auto w = Request(Opcode::kWrite);
  w.U32(handle);
  w.U32(waitMs);
  w.U16(static_cast<uint16_t>(report.size()));
  w.Bytes(report);
  return w.Take();
}

std::vector<uint8_t> EncodeRead(uint32_t handle, uint32_t waitMs, uint16_t bufferSize) {
  auto w = Request(Opcode::kRead);
  w.U32(handle);
  w.U32(waitMs);
  w.U16(bufferSize);
  return w.Take();
}

std::vector<uint8_t> EncodeGetIndexedString(uint32_t handle, uint8_t index, uint16_t bufferSize) {
  auto w = Request(Opcode::kGetIndexedString);
  w.U32(handle);
  w.U8(index);
  w.U16(bufferSize);
  return w.Take();
}

std::vector<uint8_t> EncodeGetSerial(uint32_t handle, uint16_t bufferSize) {
  auto w = Request(Opcode::kGetSerial);
  w.U32(handle);
  w.U16(bufferSize);
  return w.Take();
}

namespace {

void PutText(ByteWriter& w, const std::string& text) {
  w.U16(static_cast<uint16_t>(text.size()));
  w.Bytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeClaim(const std::string& path, const std::string& who) {
  if (path.size() > kU16Max || who.size() > kU16Max || path.size() + who.size() + 5 > kMaxFrameBody) {
    return std::nullopt;
  }
  auto w = Request(Opcode::kClaim);
  PutText(w, path);
  PutText(w, who);
  return w.Take();
}

std::optional<std::vector<uint8_t>> EncodeRelease(const std::string& path) {
  if (path.size() > kU16Max) return std::nullopt;
  auto w = Request(Opcode::kRelease);
  PutText(w, path);
  return w.Take();
}

int NormaliseResult(int32_t result) {
  switch (result) {
    case kWaitOk:
    case kWaitTimeout:
    case kWaitAbandoned:
      return result;
    default:
      return kWaitFailed;
  }
}

// A failure response may stop after its result (the protocol does so for
// unknown opcodes), so only successful responses are held to their layout.

std::optional<std::vector<HidDeviceInfo>> DecodeEnumerate(std::span<const uint8_t> body) {
  ByteReader r(body);
  int32_t result = 0;
  if (!r.I32(&result)) return std::nullopt;
  if (NormaliseResult(result) != kWaitOk) return std::vector<HidDeviceInfo>{};
  uint8_t count = 0;
  if (!r.U8(&count)) return std::nullopt;
  std::vector<HidDeviceInfo> devices;
  devices.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    HidDeviceInfo d;
    uint16_t pathLen = 0;
    r.U16(&pathLen);
    auto path = r.Bytes(pathLen);
    d.path.assign(path.begin(), path.end());
    r.U16(&d.vendorId);
    r.U16(&d.productId);
    r.U16(&d.version);
    uint8_t units = 0;
    r.U8(&units);
    for (unsigned u = 0; u < units; ++u) {
      uint16_t c = 0;
      r.U16(&c);
      d.serial.push_back(static_cast<char16_t>(c));
    }
    uint8_t capsValid = 0;
    uint8_t openable = 0;
    r.U8(&capsValid);
    r.U16(&d.inputReportLength);
    r.U16(&d.outputReportLength);
    r.U8(&openable);
    if (!r.Ok()) return std::nullopt;
    d.capsValid = capsValid != 0;
    d.openable = openable != 0;
    devices.push_back(std::move(d));
  }
  if (!r.AtEnd()) return std::nullopt;
  return devices;
}

std::optional<OpenResponse> DecodeOpen(std::span<const uint8_t> body) {
  ByteReader r(body);
  int32_t result = 0;
  if (!r.I32(&result)) return std::nullopt;
  OpenResponse out;
  out.result = NormaliseResult(result);
  if (out.result != kWaitOk) return out;
  if (!r.U32(&out.handle) || !r.AtEnd() || out.handle == 0) return std::nullopt;
  return out;
}

std::optional<int> DecodeResultOnly(std::span<const uint8_t> body) {
  ByteReader r(body);
  int32_t result = 0;
  if (!r.I32(&result)) return std::nullopt;
  const int normalised = NormaliseResult(result);
  if (normalised == kWaitOk && !r.AtEnd()) return std::nullopt;
  return normalised;
}

std::optional<DataResponse> DecodeData(std::span<const uint8_t> body, uint16_t requested) {
  ByteReader r(body);
  int32_t result = 0;
  if (!r.I32(&result)) return std::nullopt;
  DataResponse out;
  out.result = NormaliseResult(result);
  if (out.result != kWaitOk) return out;
  uint16_t n = 0;
  if (!r.U16(&n) || n > requested) return std::nullopt;
  auto data = r.Bytes(n);
  if (!r.AtEnd()) return std::nullopt;
  out.data.assign(data.begin(), data.end());
  return out;
}

std::optional<ClaimResponse> DecodeClaim(std::span<const uint8_t> body) {
  ByteReader r(body);
  int32_t result = 0;
  if (!r.I32(&result)) return std::nullopt;
  ClaimResponse out;
  out.result = NormaliseResult(result);
  if (out.result == kWaitFailed && r.AtEnd()) {
    out.claimsKnown = false;  // a server without claims
    return out;
  }
  uint16_t n = 0;
  if (!r.U16(&n)) return std::nullopt;
  const auto holder = r.Bytes(n);
  if (!r.AtEnd()) return std::nullopt;
  out.holder.assign(holder.begin(), holder.end());
  return out;
}

}  // namespace vt::platform::remote
