#include "devlink/board_link.h"

#include "devlink/board_claim.h"

namespace vt::devlink {

using platform::kWaitOk;

bool BoardLink::USBSendCommand(uint8_t cmd, uint8_t data, uint8_t addr, uint8_t i2cid,
                               uint8_t data1) {
  if (!loaded_ && !LoadDll()) return false;

  int redetections = 0;
  // Nothing found yet: find the board before the report is built, so that it
  // is built for the board's generation rather than for an empty identity.
  if (identity_.devicePath.empty()) {
    ++redetections;
    if (!USBDeviceDetect_Win32()) return false;
  }

  // The request and its reply are one conversation: no other program's
  // request may come between them.
  const BoardClaim claim(*this);
  if (!claim.Granted()) return false;

  // The report is built in a local buffer: MakeCompatible may run a nested
  // exchange that reuses the link's own command buffer.
  Report report{};
  report[kRprtSz] = static_cast<uint8_t>(identity_.outputReportByteLength & 0xFF);
  report[kCmd] = cmd;
  report[kReq] = static_cast<uint8_t>((IsLegacyBoard() ? 0x24 : 0x26) + ((cmd & 0x80) ? 1 : 0));
  report[kData] = data;
  report[kAddr] = addr;
  report[kI2cId] = i2cid;
  report[kData1] = data1;
  MakeCompatible(report);
  commandReport_ = report;

  const bool writeOnly = (cmd & 0x01) != 0;
  const bool anyTag = (cmd & 0x80) != 0;
  int mismatches = 0;

  enum class Step { kOpen, kSend, kReceive, kFailure, kRedetect, kDone, kFailed };
  Step step = Step::kOpen;
  int rereads = 0;
  while (true) {
    switch (step) {
      case Step::kOpen:
        // A failed open counts against the same re-detection budget as a
        // failed write or read.
        step = OpenDevice() ? Step::kSend : Step::kFailure;
        break;
      case Step::kSend: {
        commandReport_[0] = 0;
        identity_.threadId ^= 0x01;
        commandReport_[kThreadId] = identity_.threadId;
        rereads = 0;
        if (SetReport(commandReport_) != kWaitOk) {
          step = Step::kFailure;
        } else {
          step = writeOnly ? Step::kDone : Step::kReceive;
        }
        break;
      }
      case Step::kReceive: {
        replyReport_[0] = 0;
        if (GetReport() != kWaitOk) {
          step = Step::kFailure;
          break;
        }
        const uint8_t tag = replyReport_[5];
        if (anyTag || tag == identity_.threadId) {
          step = Step::kDone;
        } else if ((tag & 0xFE) == (identity_.threadId & 0xFE)) {
          // A late answer to the previous request: read again, but not for ever.
          step = ++rereads > kMaxPreviousTagRereads ? Step::kFailure : Step::kReceive;
        } else if (mismatches++ == 0) {
          step = Step::kSend;
        } else {
          step = Step::kFailure;
        }
        break;
      }
      case Step::kFailure:
        step = redetections >= kMaxRedetections ? Step::kFailed : Step::kRedetect;
        break;
      case Step::kRedetect:
        ++redetections;
        CloseDevice();
        step = USBDeviceDetect_Win32() ? Step::kOpen : Step::kFailed;
        break;
      case Step::kDone:
        CloseDevice();
        return true;
      case Step::kFailed:
        CloseDevice();
        return false;
    }
  }
}

}  // namespace vt::devlink
