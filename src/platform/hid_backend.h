#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wait_codes.h"

namespace vt::platform {

// One HID interface as enumeration sees it.
struct HidDeviceInfo {
  std::string path;              // what Open() takes
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t version = 0;          // device release number, major in the high byte
  std::u16string serial;         // serial-number string, no terminator
  bool capsValid = false;        // report lengths below are known
  uint16_t inputReportLength = 0;   // report ID byte included
  uint16_t outputReportLength = 0;  // report ID byte included
  bool openable = true;          // false: present but held exclusively elsewhere
  std::string noAccess;          // not empty: present, but this user may not open it (why)
};

using HidHandle = uint32_t;
inline constexpr HidHandle kInvalidHidHandle = 0;

// The HID primitives the panel needs, and nothing more. All results are
// wait codes (wait_codes.h). The backends that reach a board:
//   LinuxHidBackend     platform/hid_linux    hidraw, libudev, libusb strings
//   WindowsHidBackend   platform/hid_windows  hid.dll and setupapi.dll
//   RemoteHidBackend    platform/remote       a board server (tcp:, unix:)
//   VirtualHidBackend   sim/hid               virtual boards in this process
// and the wrappers that change a few primitives of another backend (all
// ForwardingHidBackend): TracingHidBackend (platform/tracing, the debug
// log), BoardMutexHid (platform/hid_windows, the board claim as a named mutex),
// DeadlineHid (devlink), MeteredHid (shell), BoardChoiceHid (cli) and
// FlashSyncHid (board_server). src/app picks the backend for a board address.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Brings the backend up (loads libraries, connects). False when the HID
  // stack is not usable at all.
  virtual bool Load() { return true; }

  // Names of the primitives the backend resolved, for the debug log.
  virtual std::vector<std::string> EntryPointNames() const { return {}; }

  virtual std::vector<HidDeviceInfo> Enumerate() = 0;

  // 0 and a handle on success, kWaitFailed otherwise.
  virtual int Open(const std::string& path, HidHandle* handle) = 0;
  virtual void Close(HidHandle handle) = 0;

  // Writes one output report (report ID byte first). Waits at most waitMs for
  // the device to take it.
  virtual int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) = 0;

  // Reads one input report (report ID byte first) into buf; *got is the
  // number of bytes placed. Waits at most waitMs.
  virtual int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) = 0;

  // The raw bytes of string descriptor `index` without its two-byte header,
  // at most buf.size() of them.
  virtual int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                               size_t* got) = 0;

  // The serial-number string as 16-bit units, low byte first, followed by a
  // 16-bit zero when it fits.
  virtual int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) = 0;

  // Why the stack itself could not be asked by the latest primitive (a
  // board server that is down, slow or speaking something else): one line
  // for the user, empty while it answers. This is what tells "nowhere to
  // look" from "no board found".
  virtual std::string StackError() const { return {}; }

  // The right to change the flash of the device at `path`, on stacks that
  // other programs use at the same time (a board server, the machine's own
  // HID devices). kWaitOk: go ahead (also where the stack cannot tell);
  // kWaitTimeout: another program holds it and *holder says who;
  // kWaitFailed: the stack could not be asked. Never waits: callers retry
  // on their own clock. `who` describes this program to the others.
  virtual int Claim(const std::string& path, const std::string& who, std::string* holder) {
    (void)path;
    (void)who;
    (void)holder;
    return kWaitOk;
  }
  virtual void Release(const std::string& path) { (void)path; }
};

}  // namespace vt::platform
