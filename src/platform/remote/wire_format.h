#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

// Encoding and decoding of the board wire protocol (version 1): the HID
// primitives carried as length-prefixed little-endian frames. Pure functions
// over bytes; the socket code lives in stream_socket.h.
namespace vt::platform::remote {

inline constexpr uint32_t kMaxFrameBody = 65536;

enum class Opcode : uint8_t {
  kEnumerate = 0x01,
  kOpen = 0x02,
  kClose = 0x03,
  kWrite = 0x04,
  kRead = 0x05,
  kGetIndexedString = 0x06,
  kGetSerial = 0x07,
  // Added after version 1; a version-1 server answers them with -1.
  kClaim = 0x08,
  kRelease = 0x09,
};

// Appends little-endian values to a byte vector.
class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void Bytes(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads little-endian values from a byte span. Once a read runs past the end
// the reader is failed and every later read fails too, so a caller can check
// Ok() once after decoding a whole structure.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool U8(uint8_t* v);
  bool U16(uint16_t* v);
  bool U32(uint32_t* v);
  bool I32(int32_t* v);
  // A view of the next n bytes, or an empty span (and a failed reader).
  std::span<const uint8_t> Bytes(size_t n);
  bool Ok() const { return ok_; }
  size_t Remaining() const { return bytes_.size() - pos_; }
  bool AtEnd() const { return ok_ && pos_ == bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Request bodies (without the u32 frame length). Lengths that do not fit the
// protocol's u16 fields are refused with std::nullopt.
std::vector<uint8_t> EncodeEnumerate();
std::optional<std::vector<uint8_t>> EncodeOpen(const std::string& path);
std::vector<uint8_t> EncodeClose(uint32_t handle);
std::optional<std::vector<uint8_t>> EncodeWrite(uint32_t handle, uint32_t waitMs,
                                                std::span<const uint8_t> report);
std::vector<uint8_t> EncodeRead(uint32_t handle, uint32_t waitMs, uint16_t bufferSize);
std::vector<uint8_t> EncodeGetIndexedString(uint32_t handle, uint8_t index, uint16_t bufferSize);
std::vector<uint8_t> EncodeGetSerial(uint32_t handle, uint16_t bufferSize);
std::optional<std::vector<uint8_t>> EncodeClaim(const std::string& path, const std::string& who);
std::optional<std::vector<uint8_t>> EncodeRelease(const std::string& path);

// Result codes the protocol allows; anything else from a peer is a failure.
int NormaliseResult(int32_t result);

// Decoded responses. Every decoder checks the body against the request it
// answers; a body that is short, too long, or claims more data than was asked
// for decodes as std::nullopt and the primitive reports a failure.
std::optional<std::vector<HidDeviceInfo>> DecodeEnumerate(std::span<const uint8_t> body);

struct OpenResponse {
  int result = kWaitFailed;
  uint32_t handle = 0;
};
std::optional<OpenResponse> DecodeOpen(std::span<const uint8_t> body);

// Responses with only a result (CLOSE, WRITE).
std::optional<int> DecodeResultOnly(std::span<const uint8_t> body);

// Responses with `u16 n` and n data bytes (READ, GET_INDEXED_STRING,
// GET_SERIAL). `requested` is the L of the request.
struct DataResponse {
  int result = kWaitFailed;
  std::vector<uint8_t> data;
};
std::optional<DataResponse> DecodeData(std::span<const uint8_t> body, uint16_t requested);

// CLAIM: the result and, when another client holds the board, who.
struct ClaimResponse {
  int result = kWaitFailed;
  std::string holder;
  bool claimsKnown = true;  // false: a bare -1, as from a server without claims
};
std::optional<ClaimResponse> DecodeClaim(std::span<const uint8_t> body);

}  // namespace vt::platform::remote
