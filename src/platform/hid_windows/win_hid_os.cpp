#include "platform/hid_windows/win_hid_os.h"

#include <winioctl.h>
#include <hidclass.h>

namespace vt::platform::winhid {

namespace {

// Resolves `name` from `module`; a resolved entry point is noted for the
// debug log under `logName`.
FARPROC Resolve(HMODULE module, const char* name, const char* logName,
                std::vector<std::string>* log) {
  FARPROC p = GetProcAddress(module, name);
  if (p != nullptr) log->push_back(logName);
  return p;
}

template <typename F>
F As(FARPROC p) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

}  // namespace

SystemWinHidOs::~SystemWinHidOs() { Unload(); }

void SystemWinHidOs::Unload() {
  if (hid_ != nullptr) FreeLibrary(hid_);
  if (setup_ != nullptr) FreeLibrary(setup_);
  hid_ = setup_ = nullptr;
}

bool SystemWinHidOs::Load() {
  if (hid_ != nullptr && setup_ != nullptr) return true;
  Unload();
  log_.clear();
  // System libraries only: never a same-named DLL from the working folder.
  hid_ = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (hid_ == nullptr) return false;
  getHidGuid_ = Resolve(hid_, "HidD_GetHidGuid", "HidD_GetHidGuid", &log_);
  if (getHidGuid_ == nullptr) {
    Unload();
    return false;
  }
  getAttributes_ = Resolve(hid_, "HidD_GetAttributes", "HidD_GetAttributes", &log_);
  getPreparsed_ = Resolve(hid_, "HidD_GetPreparsedData", "HidD_GetPreparsedData", &log_);
  freePreparsed_ = Resolve(hid_, "HidD_FreePreparsedData", "HidD_FreePreparsedData", &log_);
  getCaps_ = Resolve(hid_, "HidP_GetCaps", "HidP_GetCaps", &log_);
  for (const char* unused : {"HidD_GetFeature", "HidD_SetFeature", "HidD_GetNumInputBuffers",
                             "HidD_SetNumInputBuffers"}) {
    Resolve(hid_, unused, unused, &log_);
  }
  getSerial_ = Resolve(hid_, "HidD_GetSerialNumberString", "HidD_GetSerialNumberString", &log_);
  getIndexed_ = Resolve(hid_, "HidD_GetIndexedString", "HidD_GetIndexedString", &log_);

  setup_ = LoadLibraryExW(L"setupapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (setup_ == nullptr) {
    Unload();
    return false;
  }
  // Paths are taken as UTF-16 (the W entry points); logged without suffix.
  interfaceDetail_ = Resolve(setup_, "SetupDiGetDeviceInterfaceDetailW",
                             "SetupDiGetDeviceInterfaceDetail", &log_);
  classDevs_ = Resolve(setup_, "SetupDiGetClassDevsW", "SetupDiGetClassDevs", &log_);
  enumInterfaces_ = Resolve(setup_, "SetupDiEnumDeviceInterfaces", "SetupDiEnumDeviceInterfaces", &log_);
  destroyList_ = Resolve(setup_, "SetupDiDestroyDeviceInfoList", "SetupDiDestroyDeviceInfoList", &log_);
  Resolve(setup_, "SetupDiGetDeviceInstanceIdW", "SetupDiGetDeviceInstanceId", &log_);
  Resolve(setup_, "CM_Enable_DevNode", "CM_Enable_DevNode", &log_);
  Resolve(setup_, "CM_Disable_DevNode", "CM_Disable_DevNode", &log_);
  return true;
}

std::vector<std::string> SystemWinHidOs::EntryPoints() const { return log_; }

HDEVINFO SystemWinHidOs::GetClassDevs(const GUID* guid, DWORD flags) {
  if (classDevs_ == nullptr) return INVALID_HANDLE_VALUE;
  return As<HDEVINFO(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD)>(classDevs_)(guid, nullptr, nullptr,
                                                                              flags);
}

BOOL SystemWinHidOs::EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                                          SP_DEVICE_INTERFACE_DATA* data) {
  if (enumInterfaces_ == nullptr) return FALSE;
  return As<BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                          PSP_DEVICE_INTERFACE_DATA)>(enumInterfaces_)(set, nullptr, guid, index, data);
}

BOOL SystemWinHidOs::GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                              SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                              DWORD size, DWORD* required) {
  if (interfaceDetail_ == nullptr) return FALSE;
  return As<BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_W,
                          DWORD, PDWORD, PSP_DEVINFO_DATA)>(interfaceDetail_)(set, data, detail, size,
                                                                               required, nullptr);
}

BOOL SystemWinHidOs::DestroyDeviceInfoList(HDEVINFO set) {
  if (destroyList_ == nullptr) return FALSE;
  return As<BOOL(WINAPI*)(HDEVINFO)>(destroyList_)(set);
}

void SystemWinHidOs::GetHidGuid(GUID* guid) {
  if (getHidGuid_ != nullptr) As<void(WINAPI*)(GUID*)>(getHidGuid_)(guid);
}

BOOLEAN SystemWinHidOs::GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  if (getAttributes_ == nullptr) return FALSE;
  return As<BOOLEAN(WINAPI*)(HANDLE, PHIDD_ATTRIBUTES)>(getAttributes_)(device, attributes);
}

BOOLEAN SystemWinHidOs::GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
  if (getPreparsed_ == nullptr) return FALSE;
  return As<BOOLEAN(WINAPI*)(HANDLE, PHIDP_PREPARSED_DATA*)>(getPreparsed_)(device, data);
}

BOOLEAN SystemWinHidOs::FreePreparsedData(PHIDP_PREPARSED_DATA data) {
  if (freePreparsed_ == nullptr) return FALSE;
  return As<BOOLEAN(WINAPI*)(PHIDP_PREPARSED_DATA)>(freePreparsed_)(data);
}

NTSTATUS SystemWinHidOs::GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) {
  if (getCaps_ == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  return As<NTSTATUS(WINAPI*)(PHIDP_PREPARSED_DATA, PHIDP_CAPS)>(getCaps_)(data, caps);
}

BOOLEAN SystemWinHidOs::GetSerialNumberString(HANDLE device, void* buffer, ULONG length) {
  if (getSerial_ == nullptr) return FALSE;
  return As<BOOLEAN(WINAPI*)(HANDLE, PVOID, ULONG)>(getSerial_)(device, buffer, length);
}

BOOLEAN SystemWinHidOs::GetIndexedString(HANDLE device, ULONG index, void* buffer, ULONG length,
                                         ULONG* returned) {
  *returned = 0;
  if (getIndexed_ == nullptr) return FALSE;
  // The request HidD_GetIndexedString makes, sent here so that the number
  // of bytes the device gave is not lost. The handle is overlapped: the
  // request gets its own record and waits for its own end (string requests
  // have no time-out of their own).
  OVERLAPPED ov{};
  ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ov.hEvent == nullptr) return FALSE;
  DWORD got = 0;
  BOOL ok = ::DeviceIoControl(device, IOCTL_HID_GET_INDEXED_STRING, &index, sizeof index, buffer,
                              length, &got, &ov);
  if (!ok && ::GetLastError() == ERROR_IO_PENDING) ok = ::GetOverlappedResult(device, &ov, &got, TRUE);
  ::CloseHandle(ov.hEvent);
  if (!ok) return FALSE;
  *returned = got;
  return TRUE;
}

HANDLE SystemWinHidOs::OpenPath(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                                DWORD flags) {
  // Plain security attributes: no descriptor, not inherited.
  SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  return ::CreateFileW(path, access, share, &sa, disposition, flags, nullptr);
}

BOOL SystemWinHidOs::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

HANDLE SystemWinHidOs::MakeEvent(BOOL manualReset, BOOL initialState) {
  return ::CreateEventW(nullptr, manualReset, initialState, nullptr);
}

BOOL SystemWinHidOs::WriteFile(HANDLE file, const void* data, DWORD size, OVERLAPPED* ov) {
  return ::WriteFile(file, data, size, nullptr, ov);
}

BOOL SystemWinHidOs::ReadFile(HANDLE file, void* data, DWORD size, OVERLAPPED* ov) {
  return ::ReadFile(file, data, size, nullptr, ov);
}

BOOL SystemWinHidOs::GetOverlappedResult(HANDLE file, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
  return ::GetOverlappedResult(file, ov, transferred, wait);
}

BOOL SystemWinHidOs::CancelIoEx(HANDLE file, OVERLAPPED* ov) { return ::CancelIoEx(file, ov); }

DWORD SystemWinHidOs::WaitForSingleObject(HANDLE handle, DWORD ms) {
  return ::WaitForSingleObject(handle, ms);
}

DWORD SystemWinHidOs::GetLastError() { return ::GetLastError(); }

}  // namespace vt::platform::winhid
