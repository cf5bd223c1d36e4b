#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "devlink/board_identity.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "devlink/operation_deadline.h"
#include "platform/hid_backend.h"
#include "platform/stop_signals.h"

namespace vt::devlink {

// The link to one board: its identity, the report buffers, the transaction
// tag and the handle that is opened around each exchange. One BoardLink per
// board; several can live side by side (tests run boards in parallel).
class BoardLink {
 public:
  static constexpr size_t kReportBytes = 256;
  using Report = std::array<uint8_t, kReportBytes>;

  // Field offsets of the command report.
  static constexpr size_t kRprtSz = 1;
  static constexpr size_t kThreadId = 2;
  static constexpr size_t kCmd = 3;
  static constexpr size_t kReq = 4;
  static constexpr size_t kData = 5;
  static constexpr size_t kAddr = 6;
  static constexpr size_t kI2cId = 7;
  static constexpr size_t kData1 = 8;

  static constexpr uint8_t kUnsupportedCmd = 0xF8;
  static constexpr uint8_t kReplyStringIndex = 244;
  static constexpr uint8_t kDeviceTextIndex = 246;
  static constexpr size_t kSerialReadBytes = 255;
  static constexpr size_t kDeviceTextBytes = 255;

  // Bounds of one exchange: how often a late reply to the previous request
  // is skipped before the read counts as failed, and how many re-detections
  // (after failed opens, writes or reads) one exchange may run.
  static constexpr int kMaxPreviousTagRereads = 8;
  static constexpr int kMaxRedetections = 2;

  BoardLink(platform::HidBackend& hid, platform::Clock& clock, platform::DebugLog& log);

  // Brings the HID backend up; logs its entry points while the log is on.
  bool LoadDll();
  bool DllLoaded() const { return loaded_; }

  // Finds the first accepted board and fills the identity. A failed
  // detection leaves the identity as it was.
  bool USBDeviceDetect_Win32();
  // Why the latest detection passed over a device that otherwise matched,
  // or why it had nothing to look at (a board server that cannot be
  // reached); empty when neither.
  const std::string& LastDetectError() const { return lastDetectError_; }
  // Why the HID stack itself failed the latest primitive; empty while it
  // answers (see HidBackend::StackError).
  std::string StackError() const { return hid_.StackError(); }

  bool OpenDevice();
  void CloseDevice();
  bool IsOpen() const { return handle_ != platform::kInvalidHidHandle; }

  // Writes one report of OutputReportByteLength bytes on the open handle.
  int SetReport(const Report& report);
  // Reads one reply into the reply buffer and refreshes LastReply.
  int GetReport();

  // One full command exchange with tag, resend and re-detection.
  bool USBSendCommand(uint8_t cmd, uint8_t data, uint8_t addr, uint8_t i2cid, uint8_t data1);

  // Rewrites the command report for the board generation.
  void MakeCompatible(Report& report);

  // HID indexed-string read on the open handle; *got (when asked for) is the
  // number of bytes the board placed, never more than buffer.size().
  bool ReadIndexedString(uint8_t index, std::span<uint8_t> buffer, size_t* got = nullptr);

  // Reads the board's message text (string 246). 0, or kStatusNoResponse
  // when the board could not be opened. It never waits for the board: while
  // another program holds it, nothing is read (0, no bytes) and the text
  // comes with a later fetch. *got (when asked for) is the number
  // of bytes the board placed (0 when the read failed).
  uint8_t ReadDeviceText(std::span<uint8_t> buffer, size_t* got = nullptr);

  // Reads the serial-number string again into the identity.
  bool RereadSerial();

  const BoardIdentity& Identity() const { return identity_; }
  BoardIdentity& MutableIdentity() { return identity_; }
  bool IsLegacyBoard() const { return identity_.IsLegacyBoard(); }
  bool IsVariantR() const { return identity_.IsVariantR(); }
  bool SendTwice() const { return identity_.sendTwice; }

  const LastReply& GetLastReply() const { return lastReply_; }
  const Report& CommandReport() const { return commandReport_; }
  const Report& ReplyReport() const { return replyReport_; }

  // How this program names itself to others that want the same board
  // ("velotrack profiles write"); see BoardClaim.
  void SetClientName(std::string name) { clientName_ = std::move(name); }
  const std::string& ClientName() const { return clientName_; }
  // "the board is busy: used by ..." when the latest claim of the board
  // was refused; empty otherwise.
  const std::string& LastBusy() const { return lastBusy_; }
  // How long a BoardClaim waits for another program to let go of the board.
  void SetClaimWaitMs(uint32_t ms) { claimWaitMs_ = ms; }
  uint32_t ClaimWaitMs() const { return claimWaitMs_; }
  // The program's stop requests, held from the first erase or commit (see
  // SendFlashCommand); none: nothing is held.
  void SetStopSignals(platform::StopSignals* stops) { stopSignals_ = stops; }
  platform::StopSignals* GetStopSignals() const { return stopSignals_; }

  platform::HidBackend& Hid() { return hid_; }
  DeadlineHid& Deadlines() { return hid_; }
  platform::Clock& GetClock() { return clock_; }
  platform::DebugLog& Log() { return log_; }

 private:
  // The caller's HID stack, under the running operations' deadlines.
  DeadlineHid hid_;
  platform::Clock& clock_;
  platform::DebugLog& log_;
  bool loaded_ = false;
  BoardIdentity identity_;
  platform::HidHandle handle_ = platform::kInvalidHidHandle;
  Report commandReport_{};
  Report replyReport_{};
  LastReply lastReply_;
  std::string lastDetectError_;
  std::string clientName_ = "velotrack";
  std::string lastBusy_;
  uint32_t claimWaitMs_ = 20000;
  int claimDepth_ = 0;  // BoardClaims alive on this link
  platform::StopSignals* stopSignals_ = nullptr;
  friend class BoardClaim;
};

}  // namespace vt::devlink
