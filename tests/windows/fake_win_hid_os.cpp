#include "fake_win_hid_os.h"

#include <cstring>

namespace vt::test {

using platform::kWaitOk;
using platform::kWaitTimeout;

namespace {

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

}  // namespace

std::wstring FakeWinHidOs::WindowsPath(const std::string& virtualPath) {
  return L"\\\\?\\hid#" + std::wstring(virtualPath.begin(), virtualPath.end());
}

HDEVINFO FakeWinHidOs::GetClassDevs(const GUID*, DWORD flags) {
  if ((flags & DIGCF_DEVICEINTERFACE) == 0) return INVALID_HANDLE_VALUE;
  ++lists_;
  listPaths_ = hid.Paths();
  return reinterpret_cast<HDEVINFO>(NewHandle());
}

BOOL FakeWinHidOs::EnumDeviceInterfaces(HDEVINFO, const GUID*, DWORD index,
                                        SP_DEVICE_INTERFACE_DATA* data) {
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || index >= listPaths_.size()) {
    lastError_ = ERROR_NO_MORE_ITEMS;
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

BOOL FakeWinHidOs::GetDeviceInterfaceDetail(HDEVINFO, SP_DEVICE_INTERFACE_DATA* data,
                                            SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                            DWORD* required) {
  const std::wstring path = WindowsPath(listPaths_.at(data->Reserved));
  const DWORD need = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                        (path.size() + 1) * sizeof(wchar_t));
  if (required != nullptr) *required = need;
  if (detail == nullptr || size < need) {
    lastError_ = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    lastError_ = ERROR_INVALID_USER_BUFFER;
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL FakeWinHidOs::DestroyDeviceInfoList(HDEVINFO) {
  --lists_;
  return TRUE;
}

void FakeWinHidOs::GetHidGuid(GUID* guid) { *guid = GUID{0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0, 0x11, 0x11, 0, 0, 0x30}}; }

FakeWinHidOs::File* FakeWinHidOs::FindFile(HANDLE h) {
  const auto it = files_.find(h);
  return it == files_.end() ? nullptr : &it->second;
}

HANDLE FakeWinHidOs::OpenPath(const wchar_t* path, DWORD access, DWORD, DWORD disposition, DWORD flags) {
  std::string name = Narrow(path);
  const std::string prefix = "\\\\?\\hid#";
  if (name.rfind(prefix, 0) != 0 || disposition != OPEN_EXISTING || (flags & FILE_FLAG_OVERLAPPED) == 0) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  name = name.substr(prefix.size());
  if (goneOnOpen.erase(name) != 0) hid.RemoveBoard(name);
  if (hid.Board(name) == nullptr) {
    lastError_ = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  File file{name, platform::kInvalidHidHandle};
  if (access == 0) ++queryOpens[name];
  if (access != 0) {
    if (heldElsewhere.count(name) != 0) {
      lastError_ = ERROR_SHARING_VIOLATION;
      return INVALID_HANDLE_VALUE;
    }
    if (deniedToUser.count(name) != 0) {
      lastError_ = ERROR_ACCESS_DENIED;
      return INVALID_HANDLE_VALUE;
    }
    if (pulledOnOpen.count(name) != 0) {
      lastError_ = ERROR_DEVICE_NOT_CONNECTED;
      return INVALID_HANDLE_VALUE;
    }
    if (hid.Open(name, &file.virtualHandle) != kWaitOk) {
      lastError_ = ERROR_FILE_NOT_FOUND;
      return INVALID_HANDLE_VALUE;
    }
    opened.push_back(name);
  }
  HANDLE h = NewHandle();
  files_[h] = file;
  return h;
}

BOOL FakeWinHidOs::CloseHandle(HANDLE handle) {
  if (const auto f = files_.find(handle); f != files_.end()) {
    // Closing a file ends its outstanding operations.
    for (auto& [ov, op] : ops_) {
      if (op.file == handle && !op.done && !closeLeavesPending) {
        op.cancelled = true;
        Finish(ov, op);
      }
    }
    if (f->second.virtualHandle != platform::kInvalidHidHandle) hid.Close(f->second.virtualHandle);
    files_.erase(f);
    return TRUE;
  }
  if (const auto e = events_.find(handle); e != events_.end()) {
    if (e->second.op != nullptr) {
      ++eventsClosedWhilePending;
      ops_.erase(e->second.op);
    }
    events_.erase(e);
    return TRUE;
  }
  lastError_ = ERROR_INVALID_HANDLE;
  return FALSE;
}

BOOLEAN FakeWinHidOs::GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  File* file = FindFile(device);
  if (file == nullptr || attributes->Size != sizeof(HIDD_ATTRIBUTES)) return FALSE;
  for (const auto& info : hid.Enumerate()) {
    if (info.path != file->path) continue;
    attributes->VendorID = info.vendorId;
    attributes->ProductID = info.productId;
    attributes->VersionNumber = info.version;
    return TRUE;
  }
  return FALSE;
}

BOOLEAN FakeWinHidOs::GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
  if (capsFail || FindFile(device) == nullptr) return FALSE;
  ++preparsed_;
  // The handle value stands in for the block; GetCaps looks the file up.
  *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(device);
  return TRUE;
}

BOOLEAN FakeWinHidOs::FreePreparsedData(PHIDP_PREPARSED_DATA) {
  --preparsed_;
  return TRUE;
}

NTSTATUS FakeWinHidOs::GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) {
  File* file = FindFile(reinterpret_cast<HANDLE>(data));
  if (file == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  for (const auto& info : hid.Enumerate()) {
    if (info.path != file->path || !info.capsValid) continue;
    *caps = HIDP_CAPS{};
    caps->InputReportByteLength = info.inputReportLength;
    caps->OutputReportByteLength = info.outputReportLength;
    return HIDP_STATUS_SUCCESS;
  }
  return HIDP_STATUS_INVALID_PREPARSED_DATA;
}

BOOLEAN FakeWinHidOs::GetSerialNumberString(HANDLE device, void* buffer, ULONG length) {
  File* file = FindFile(device);
  if (file == nullptr) return FALSE;
  ++serialReads[file->path];
  // A query-only handle still reads strings, as on Windows.
  for (const auto& info : hid.Enumerate()) {
    if (info.path != file->path) continue;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t k = 0;
    for (char16_t c : info.serial) {
      if (k + 2 > length) return FALSE;
      out[k++] = static_cast<uint8_t>(c);
      out[k++] = static_cast<uint8_t>(c >> 8);
    }
    if (k + 2 <= length) out[k] = out[k + 1] = 0;
    return TRUE;
  }
  return FALSE;
}

BOOLEAN FakeWinHidOs::GetIndexedString(HANDLE device, ULONG index, void* buffer, ULONG length,
                                       ULONG* returned) {
  *returned = 0;
  File* file = FindFile(device);
  if (file == nullptr || file->virtualHandle == platform::kInvalidHidHandle || index > 255) return FALSE;
  size_t got = 0;
  if (hid.GetIndexedString(file->virtualHandle, static_cast<uint8_t>(index),
                           {static_cast<uint8_t*>(buffer), length}, &got) != kWaitOk) {
    return FALSE;
  }
  *returned = static_cast<ULONG>(got);
  return TRUE;
}

HANDLE FakeWinHidOs::MakeEvent(BOOL, BOOL initialState) {
  HANDLE h = NewHandle();
  events_[h] = Event{initialState != FALSE, nullptr};
  return h;
}

void FakeWinHidOs::Finish(OVERLAPPED* ov, Op& op) {
  op.done = true;
  const auto e = events_.find(ov->hEvent);
  if (e != events_.end()) {
    e->second.signalled = true;
    e->second.op = nullptr;
  }
}

bool FakeWinHidOs::TryComplete(Op& op, bool evenIfStalled) {
  File* file = FindFile(op.file);
  if (file == nullptr) return false;
  if (op.write) {
    if (writesStall && !evenIfStalled) return false;
    const int rc = hid.Write(file->virtualHandle, {op.buffer, op.size}, 0);
    if (rc == kWaitTimeout) return false;
    op.cancelled = rc != kWaitOk;  // the device went away: the operation fails
    op.transferred = rc == kWaitOk ? op.size : 0;
    return true;
  }
  size_t got = 0;
  const int rc = hid.Read(file->virtualHandle, {op.buffer, op.size}, 0, &got);
  if (rc == kWaitTimeout) return false;
  op.cancelled = rc != kWaitOk;
  op.transferred = static_cast<DWORD>(got);
  return true;
}

BOOL FakeWinHidOs::WriteFile(HANDLE file, const void* data, DWORD size, OVERLAPPED* ov) {
  File* f = FindFile(file);
  if (f == nullptr || f->virtualHandle == platform::kInvalidHidHandle || writeFailsAtOnce) {
    lastError_ = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  Op& op = ops_[ov];
  op = Op{file, true, static_cast<uint8_t*>(const_cast<void*>(data)), size};
  events_.at(ov->hEvent) = Event{false, ov};
  if (TryComplete(op)) Finish(ov, op);
  lastError_ = ERROR_IO_PENDING;
  return FALSE;
}

BOOL FakeWinHidOs::ReadFile(HANDLE file, void* data, DWORD size, OVERLAPPED* ov) {
  File* f = FindFile(file);
  if (f == nullptr || f->virtualHandle == platform::kInvalidHidHandle) {
    lastError_ = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  Op& op = ops_[ov];
  op = Op{file, false, static_cast<uint8_t*>(data), size};
  events_.at(ov->hEvent) = Event{false, ov};
  if (TryComplete(op)) Finish(ov, op);
  lastError_ = ERROR_IO_PENDING;
  return FALSE;
}

BOOL FakeWinHidOs::GetOverlappedResult(HANDLE, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
  const auto it = ops_.find(ov);
  if (it != ops_.end() && !it->second.done && wait) ++endlessWaits;
  if (it == ops_.end() || !it->second.done) {
    lastError_ = ERROR_IO_INCOMPLETE;
    return FALSE;
  }
  const Op op = it->second;
  ops_.erase(it);
  *transferred = op.transferred;
  if (op.cancelled) {
    lastError_ = ERROR_OPERATION_ABORTED;
    return FALSE;
  }
  return TRUE;
}

BOOL FakeWinHidOs::CancelIoEx(HANDLE file, OVERLAPPED* ov) {
  ++cancels;
  if (ov == nullptr) ++cancelsOfEveryOperation;
  if (cancelNeverLands) return TRUE;
  for (auto& [record, op] : ops_) {
    if (op.file != file || op.done || (ov != nullptr && record != ov)) continue;
    // Won the race: the device took (or gave) the report as the cancel came.
    if (raceWinsCancel && TryComplete(op, true)) {
      Finish(record, op);
      continue;
    }
    op.cancelled = true;
    Finish(record, op);
  }
  return TRUE;
}

DWORD FakeWinHidOs::WaitForSingleObject(HANDLE handle, DWORD ms) {
  const auto e = events_.find(handle);
  if (e == events_.end()) return WAIT_FAILED;
  if (!e->second.signalled && e->second.op != nullptr) {
    OVERLAPPED* ov = e->second.op;
    Op& op = ops_.at(ov);
    // The device gets one more chance within the wait; then the wait runs
    // out on the virtual clock.
    if (TryComplete(op)) {
      Finish(ov, op);
    } else {
      clock.Advance(ms);
    }
  }
  return events_.at(handle).signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace vt::test
