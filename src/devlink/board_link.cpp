#include "devlink/board_link.h"

#include <algorithm>

#include "devlink/board_claim.h"

namespace vt::devlink {

using platform::kInvalidHidHandle;
using platform::kWaitFailed;
using platform::kWaitOk;

namespace {
constexpr uint32_t kShortWaitMs = 200;
constexpr uint32_t kNormalWaitMs = 500;
constexpr uint32_t kVariantRWaitMs = 2600;
constexpr uint32_t kLegacyReadWaitMs = 200;
constexpr size_t kReplyBytes = 8;
}  // namespace

BoardLink::BoardLink(platform::HidBackend& hid, platform::Clock& clock, platform::DebugLog& log)
    : hid_(hid, clock), clock_(clock), log_(log) {}

bool BoardLink::LoadDll() {
  loaded_ = false;
  if (!hid_.Load()) return false;
  // The backend gives names only; the logged value is the entry's position,
  // which keeps one line per resolved entry point as before.
  const std::vector<std::string> names = hid_.EntryPointNames();
  for (size_t k = 0; k < names.size(); ++k) {
    log_.Printf("%s: %x\n", names[k].c_str(), static_cast<unsigned>(k + 1));
  }
  loaded_ = true;
  return true;
}

bool BoardLink::OpenDevice() {
  CloseDevice();
  if (identity_.devicePath.empty()) return false;
  platform::HidHandle h = kInvalidHidHandle;
  if (hid_.Open(identity_.devicePath, &h) != kWaitOk || h == kInvalidHidHandle) return false;
  handle_ = h;
  return true;
}

void BoardLink::CloseDevice() {
  if (handle_ != kInvalidHidHandle) hid_.Close(handle_);
  handle_ = kInvalidHidHandle;
}

int BoardLink::SetReport(const Report& report) {
  if (!IsOpen()) return kWaitFailed;
  uint32_t waitMs = kNormalWaitMs;
  const uint8_t cmd = report[kCmd];
  if (cmd == 0x10 || cmd == 0x20 || cmd == 0x28) waitMs = kShortWaitMs;
  if (IsVariantR()) waitMs = kVariantRWaitMs;
  const size_t length = std::min<size_t>(identity_.outputReportByteLength, kReportBytes);
  return hid_.Write(handle_, std::span<const uint8_t>(report.data(), length), waitMs);
}

int BoardLink::GetReport() {
  replyReport_[5] = 0;
  int result = kWaitFailed;
  if (IsOpen()) {
    size_t got = 0;
    if (IsLegacyBoard()) {
      const size_t length = std::min<size_t>(identity_.inputReportByteLength, kReportBytes);
      result = hid_.Read(handle_, std::span<uint8_t>(replyReport_.data(), length),
                         kLegacyReadWaitMs, &got);
    } else {
      const int rc = hid_.GetIndexedString(
          handle_, kReplyStringIndex, std::span<uint8_t>(replyReport_.data() + 1, kReplyBytes), &got);
      result = rc == kWaitOk ? kWaitOk : kWaitFailed;
    }
  }
  lastReply_.d0 = replyReport_[1];
  lastReply_.status = replyReport_[2];
  lastReply_.d1 = replyReport_[3];
  lastReply_.d2 = replyReport_[4];
  lastReply_.threadId = replyReport_[5];
  return result;
}

bool BoardLink::ReadIndexedString(uint8_t index, std::span<uint8_t> buffer, size_t* got) {
  size_t placed = 0;
  const bool ok = IsOpen() && hid_.GetIndexedString(handle_, index, buffer, &placed) == kWaitOk;
  if (got != nullptr) *got = ok ? std::min(placed, buffer.size()) : 0;
  return ok;
}

uint8_t BoardLink::ReadDeviceText(std::span<uint8_t> buffer, size_t* got) {
  if (got != nullptr) *got = 0;
  if (buffer.empty()) return kStatusNoResponse;
  buffer[0] = 0;
  // A poll comes back soon: it skips a board that another program holds
  // rather than wait for it, and never holds up that program's write.
  const BoardClaim claim(*this, BoardClaim::Wait::kNone);
  if (claim.Busy()) return kStatusOk;
  if (!claim.Granted()) return kStatusNoResponse;
  if (!OpenDevice()) {
    if (!USBDeviceDetect_Win32() || !OpenDevice()) {
      CloseDevice();
      return kStatusNoResponse;
    }
  }
  // The text is used as a C string: keep room for a terminator even when the
  // board fills the whole string.
  const size_t room = std::min(buffer.size() - 1, kDeviceTextBytes);
  size_t placed = 0;
  if (room > 0 &&
      hid_.GetIndexedString(handle_, kDeviceTextIndex, buffer.first(room), &placed) == kWaitOk) {
    placed = std::min(placed, room);
    buffer[placed] = 0;
    if (got != nullptr) *got = placed;
  } else {
    buffer[0] = 0;
  }
  CloseDevice();
  return 0;
}

bool BoardLink::RereadSerial() {
  if (!OpenDevice()) return false;
  identity_.serial.fill(0);
  size_t got = 0;
  hid_.GetSerial(handle_, std::span<uint8_t>(identity_.serial.data(), kSerialReadBytes), &got);
  CloseDevice();
  return true;
}

}  // namespace vt::devlink
