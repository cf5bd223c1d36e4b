#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/hid_backend.h"
#include "platform/hid_windows/win_hid_os.h"

namespace vt::platform::winhid {

// HID primitives on Windows: discovery through SetupAPI, reports through
// overlapped ReadFile/WriteFile with bounded waits, strings and report
// lengths through hid.dll. Every call to the system goes through WinHidOs.
class WindowsHidBackend final : public HidBackend {
 public:
  WindowsHidBackend();  // the real system
  explicit WindowsHidBackend(WinHidOs& os);
  ~WindowsHidBackend() override;
  WindowsHidBackend(const WindowsHidBackend&) = delete;
  WindowsHidBackend& operator=(const WindowsHidBackend&) = delete;

  // Which vendor/product pairs are worth opening. Enumeration reads every
  // device's IDs through a handle without access rights and opens only
  // candidates read/write for their serial and report lengths; the rest
  // are listed with their IDs alone. Without a filter every device is one.
  using CandidateFilter = std::function<bool(uint16_t vendorId, uint16_t productId)>;
  void SetCandidates(CandidateFilter filter) { isCandidate_ = std::move(filter); }

  bool Load() override;
  std::vector<std::string> EntryPointNames() const override;
  std::vector<HidDeviceInfo> Enumerate() override;
  int Open(const std::string& path, HidHandle* handle) override;
  void Close(HidHandle handle) override;
  int Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) override;
  int Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) override;
  int GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                       size_t* got) override;
  int GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) override;

  // How long a cancelled operation may take to finish before its event and
  // buffer are parked until the handle is closed.
  static constexpr DWORD kCancelWaitMs = 1000;

  // Operations that did not end even when their handle was closed (a driver
  // that ignores cancels): the system may still write into them, so they
  // are never freed.
  size_t Abandoned() const { return abandoned_.size(); }

 private:
  struct Io;
  struct Device {
    HANDLE file = INVALID_HANDLE_VALUE;
    uint16_t inputLength = 0;   // 0: unknown, the caller's size is used
    uint16_t outputLength = 0;
    // Operations whose cancel did not finish in time; released after the
    // handle is closed.
    std::vector<std::unique_ptr<Io>> parked;
  };

  Device* Find(HidHandle handle);
  // Runs one overlapped transfer on `device` and waits at most waitMs.
  int Transfer(Device& device, bool write, std::span<uint8_t> data, uint32_t waitMs, size_t* got);
  void ReadCaps(HANDLE file, bool* valid, uint16_t* inputLength, uint16_t* outputLength);
  void ReleaseParked(Device& device);
  // Lists one interface: IDs through a query handle, the rest for candidates.
  bool Describe(const wchar_t* path, HidDeviceInfo* info);

  std::unique_ptr<WinHidOs> owned_;
  WinHidOs& os_;
  CandidateFilter isCandidate_;
  std::vector<std::unique_ptr<Io>> abandoned_;
  bool loaded_ = false;
  std::map<HidHandle, Device> open_;
  HidHandle nextHandle_ = 1;
};

}  // namespace vt::platform::winhid
