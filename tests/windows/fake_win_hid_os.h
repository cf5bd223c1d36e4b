#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_windows/win_hid_os.h"
#include "sim/hid/virtual_hid_backend.h"

namespace vt::test {

// The Windows calls the HID backend makes, answered by virtual boards.
// Every handle, device list, event and preparsed-data block handed out is
// counted so tests can tell a leak; overlapped operations stay pending the
// way the system's do, so time-outs and cancels can be played through.
class FakeWinHidOs final : public platform::winhid::WinHidOs {
 public:
  FakeWinHidOs() : hid(clock) {}

  platform::VirtualClock clock;
  sim::VirtualHidBackend hid;

  // Knobs.
  bool loadFails = false;
  std::set<std::string> heldElsewhere;  // virtual paths a foreign exclusive open holds
  std::set<std::string> goneOnOpen;     // unplugged right before their next open
  std::set<std::string> deniedToUser;   // read/write opens refused: ERROR_ACCESS_DENIED
  std::set<std::string> pulledOnOpen;   // read/write opens fail: ERROR_DEVICE_NOT_CONNECTED
  bool capsFail = false;
  bool writesStall = false;       // WriteFile stays pending until cancelled
  bool cancelNeverLands = false;  // CancelIoEx does not complete the operation
  bool closeLeavesPending = false;  // nor does closing its file (a broken driver)
  bool raceWinsCancel = false;    // the operation completes just as it is cancelled
  bool writeFailsAtOnce = false;  // WriteFile fails with ERROR_INVALID_HANDLE

  // What happened.
  int cancels = 0;
  int cancelsOfEveryOperation = 0;  // CancelIoEx without a record
  // Waiting GetOverlappedResult calls on an operation that will never end:
  // the real call would block for ever.
  int endlessWaits = 0;
  // Open calls with no access rights, and the serial reads, per path.
  std::map<std::string, int> queryOpens, serialReads;
  // Events closed while their operation was still pending (a fault: the
  // system may still write into the record).
  int eventsClosedWhilePending = 0;
  std::vector<std::string> opened;  // virtual paths, in order

  // Outstanding objects.
  size_t OpenFiles() const { return files_.size(); }
  size_t OpenEvents() const { return events_.size(); }
  int OpenLists() const { return lists_; }
  int OpenPreparsed() const { return preparsed_; }
  bool Clean() const { return files_.empty() && events_.empty() && lists_ == 0 && preparsed_ == 0; }

  static std::wstring WindowsPath(const std::string& virtualPath);

  bool Load() override { return !loadFails; }
  std::vector<std::string> EntryPoints() const override { return {"HidD_GetHidGuid"}; }
  HDEVINFO GetClassDevs(const GUID* guid, DWORD flags) override;
  BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                            SP_DEVICE_INTERFACE_DATA* data) override;
  BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                DWORD* required) override;
  BOOL DestroyDeviceInfoList(HDEVINFO set) override;
  void GetHidGuid(GUID* guid) override;
  BOOLEAN GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override;
  BOOLEAN GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override;
  BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA data) override;
  NTSTATUS GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override;
  BOOLEAN GetSerialNumberString(HANDLE device, void* buffer, ULONG length) override;
  BOOLEAN GetIndexedString(HANDLE device, ULONG index, void* buffer, ULONG length,
                           ULONG* returned) override;
  HANDLE OpenPath(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags) override;
  BOOL CloseHandle(HANDLE handle) override;
  HANDLE MakeEvent(BOOL manualReset, BOOL initialState) override;
  BOOL WriteFile(HANDLE file, const void* data, DWORD size, OVERLAPPED* ov) override;
  BOOL ReadFile(HANDLE file, void* data, DWORD size, OVERLAPPED* ov) override;
  BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override;
  BOOL CancelIoEx(HANDLE file, OVERLAPPED* ov) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD ms) override;
  DWORD GetLastError() override { return lastError_; }

 private:
  struct File {
    std::string path;
    platform::HidHandle virtualHandle = platform::kInvalidHidHandle;  // 0: query-only open
  };
  struct Op {
    HANDLE file = nullptr;
    bool write = false;
    uint8_t* buffer = nullptr;
    DWORD size = 0;
    bool done = false;
    bool cancelled = false;
    DWORD transferred = 0;
  };
  struct Event {
    bool signalled = false;
    OVERLAPPED* op = nullptr;  // the operation using it, while pending
  };
  File* FindFile(HANDLE h);
  bool TryComplete(Op& op, bool evenIfStalled = false);
  void Finish(OVERLAPPED* ov, Op& op);
  HANDLE NewHandle() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(next_ += 4)); }

  uintptr_t next_ = 0x1000;
  std::map<HANDLE, File> files_;
  std::map<HANDLE, Event> events_;
  std::map<OVERLAPPED*, Op> ops_;
  std::vector<std::string> listPaths_;
  int lists_ = 0;
  int preparsed_ = 0;
  DWORD lastError_ = 0;
};

}  // namespace vt::test
