#include <algorithm>
#include <cstdio>

#include "devlink/board_link.h"

namespace vt::devlink {

using platform::HidDeviceInfo;
using platform::kInvalidHidHandle;
using platform::kWaitOk;

namespace {
constexpr size_t kMaxPathChars = 255;

// Report lengths are known and larger than our report buffers.
bool ReportsTooLong(const HidDeviceInfo& info, uint16_t* length) {
  if (!info.capsValid) return false;
  *length = std::max(info.inputReportLength, info.outputReportLength);
  return *length > BoardLink::kReportBytes;
}
}  // namespace

bool BoardLink::USBDeviceDetect_Win32() {
  if (!loaded_ && !LoadDll()) return false;
  lastDetectError_.clear();
  // Detection uses the board handle itself; it is closed between exchanges.
  CloseDevice();

  const std::vector<HidDeviceInfo> devices = hid_.Enumerate();
  for (const HidDeviceInfo& info : devices) {
    platform::HidHandle h = kInvalidHidHandle;
    if (hid_.Open(info.path, &h) != kWaitOk || h == kInvalidHidHandle) continue;
    if (!IsAcceptedVendor(info.vendorId) || !IsAcceptedProduct(info.productId)) {
      hid_.Close(h);
      continue;
    }
    uint16_t length = 0;
    if (ReportsTooLong(info, &length)) {
      char text[96];
      std::snprintf(text, sizeof text, "Board report length %u exceeds %zu bytes; not supported",
                    static_cast<unsigned>(length), kReportBytes);
      lastDetectError_ = text;
      hid_.Close(h);
      continue;
    }

    // This is the board. Start from the held identity so that report
    // lengths survive when the capabilities cannot be read.
    BoardIdentity found = identity_;
    found.versionMajor = static_cast<uint8_t>(info.version >> 8);
    found.versionMinor = static_cast<uint8_t>(info.version & 0xFF);
    // A shorter serial than the previous board's must not inherit its tail.
    found.serial.fill(0);
    size_t got = 0;
    hid_.GetSerial(h, std::span<uint8_t>(found.serial.data(), kSerialReadBytes), &got);
    found.sendTwice = BoardIdentity::ComputeSendTwice(found);
    found.threadId = static_cast<uint8_t>((clock_.NowMs() & 0xFC) + 2);
    found.devicePath = info.path.substr(0, kMaxPathChars);
    if (info.capsValid) {
      found.inputReportByteLength = info.inputReportLength;
      found.outputReportByteLength = info.outputReportLength;
    }
    identity_ = found;
    hid_.Close(h);
    return true;
  }
  if (lastDetectError_.empty()) lastDetectError_ = hid_.StackError();
  return false;
}

}  // namespace vt::devlink
