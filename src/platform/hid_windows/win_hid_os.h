#pragma once

#include <windows.h>
#include <hidsdi.h>
#include <hidpi.h>
#include <setupapi.h>

#include <string>
#include <vector>

namespace vt::platform::winhid {

// The operating-system calls the Windows HID backend makes, as one table.
// Production fills it from kernel32, hid.dll and setupapi.dll (the last two
// loaded at run time); tests fill it with fakes so the backend's own logic
// (filtering, report lengths, time-outs and cancel, handle bookkeeping) runs
// without a board. Signatures follow the system functions.
class WinHidOs {
 public:
  virtual ~WinHidOs() = default;

  // Loads the libraries and resolves the entry points. False when hid.dll,
  // HidD_GetHidGuid or setupapi.dll is missing.
  virtual bool Load() = 0;
  // Names of the entry points resolved, for the debug log.
  virtual std::vector<std::string> EntryPoints() const = 0;

  // setupapi.dll
  virtual HDEVINFO GetClassDevs(const GUID* guid, DWORD flags) = 0;
  virtual BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                                    SP_DEVICE_INTERFACE_DATA* data) = 0;
  virtual BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                        SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                        DWORD* required) = 0;
  virtual BOOL DestroyDeviceInfoList(HDEVINFO set) = 0;

  // hid.dll
  virtual void GetHidGuid(GUID* guid) = 0;
  virtual BOOLEAN GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) = 0;
  virtual BOOLEAN GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) = 0;
  virtual BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA data) = 0;
  virtual NTSTATUS GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) = 0;
  virtual BOOLEAN GetSerialNumberString(HANDLE device, void* buffer, ULONG length) = 0;
  // String descriptor `index` as raw bytes; *returned is how many the
  // device gave (HidD_GetIndexedString does not say, so the system table
  // asks the class driver directly).
  virtual BOOLEAN GetIndexedString(HANDLE device, ULONG index, void* buffer, ULONG length,
                                   ULONG* returned) = 0;

  // kernel32
  virtual HANDLE OpenPath(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                            DWORD flags) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual HANDLE MakeEvent(BOOL manualReset, BOOL initialState) = 0;
  virtual BOOL WriteFile(HANDLE file, const void* data, DWORD size, OVERLAPPED* ov) = 0;
  virtual BOOL ReadFile(HANDLE file, void* data, DWORD size, OVERLAPPED* ov) = 0;
  virtual BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* ov, DWORD* transferred, BOOL wait) = 0;
  // Cancels the one operation `ov` (all of the file's when null).
  virtual BOOL CancelIoEx(HANDLE file, OVERLAPPED* ov) = 0;
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD ms) = 0;
  virtual DWORD GetLastError() = 0;
};

// The real table.
class SystemWinHidOs final : public WinHidOs {
 public:
  SystemWinHidOs() = default;
  ~SystemWinHidOs() override;
  SystemWinHidOs(const SystemWinHidOs&) = delete;
  SystemWinHidOs& operator=(const SystemWinHidOs&) = delete;

  bool Load() override;
  std::vector<std::string> EntryPoints() const override;
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
  DWORD GetLastError() override;

 private:
  void Unload();

  HMODULE hid_ = nullptr;
  HMODULE setup_ = nullptr;
  std::vector<std::string> log_;
  // Resolved entry points (nullptr when absent).
  FARPROC getHidGuid_ = nullptr, getAttributes_ = nullptr, getPreparsed_ = nullptr,
          freePreparsed_ = nullptr, getCaps_ = nullptr, getSerial_ = nullptr,
          getIndexed_ = nullptr, classDevs_ = nullptr, enumInterfaces_ = nullptr,
          interfaceDetail_ = nullptr, destroyList_ = nullptr;
};

}  // namespace vt::platform::winhid
