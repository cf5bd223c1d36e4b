#include "platform/hid_windows/windows_hid_backend.h"

#include "platform/program_text.h"
#include "platform/hid_windows/open_errors.h"

#include <algorithm>
#include <cstring>

namespace vt::platform::winhid {

namespace {

// Enumeration gives up after this many interfaces (a broken driver list
// must not keep us looping).
constexpr DWORD kMaxInterfaces = 4096;
// Serial-number strings: 126 UTF-16 characters plus the terminator is the
// most a USB string descriptor holds.
constexpr ULONG kSerialBytes = 256;
constexpr DWORD kOpenFlags = FILE_FLAG_OVERLAPPED | FILE_FLAG_WRITE_THROUGH;

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring out(static_cast<size_t>(n - 1), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, out.data(), n);
  return out;
}

// Whole 16-bit units up to the first zero one.
std::u16string SerialText(const uint8_t* bytes, size_t size) {
  std::u16string out;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

int WaitResult(DWORD wait) {
  switch (wait) {
    case WAIT_OBJECT_0: return kWaitOk;
    case WAIT_TIMEOUT: return kWaitTimeout;
    case WAIT_ABANDONED: return kWaitAbandoned;
    default: return kWaitFailed;
  }
}

}  // namespace

// One overlapped operation: the record, its event and the buffer the system
// writes into stay together until the operation is known to be finished.
struct WindowsHidBackend::Io {
  OVERLAPPED ov{};
  HANDLE event = nullptr;
  std::vector<uint8_t> buffer;
};

WindowsHidBackend::WindowsHidBackend()
    : owned_(std::make_unique<SystemWinHidOs>()), os_(*owned_) {}

WindowsHidBackend::WindowsHidBackend(WinHidOs& os) : os_(os) {}

WindowsHidBackend::~WindowsHidBackend() {
  while (!open_.empty()) Close(open_.begin()->first);
  // Still pending after their handle was closed: the system may write into
  // them yet, so their memory and events are deliberately never given back.
  for (auto& io : abandoned_) static_cast<void>(io.release());
}

bool WindowsHidBackend::Load() {
  if (!loaded_) loaded_ = os_.Load();
  return loaded_;
}

std::vector<std::string> WindowsHidBackend::EntryPointNames() const { return os_.EntryPoints(); }

void WindowsHidBackend::ReadCaps(HANDLE file, bool* valid, uint16_t* inputLength,
                                 uint16_t* outputLength) {
  *valid = false;
  PHIDP_PREPARSED_DATA data = nullptr;
  if (!os_.GetPreparsedData(file, &data) || data == nullptr) return;
  HIDP_CAPS caps{};
  if (os_.GetCaps(data, &caps) == HIDP_STATUS_SUCCESS) {
    *valid = true;
    *inputLength = caps.InputReportByteLength;
    *outputLength = caps.OutputReportByteLength;
  }
  os_.FreePreparsedData(data);
}

bool WindowsHidBackend::Describe(const wchar_t* path, HidDeviceInfo* info) {
  // The IDs come through a handle without access rights: that needs no
  // permission, disturbs no one, and works on devices the system holds
  // (keyboards, mice) or another program has open exclusively.
  HANDLE query = os_.OpenPath(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, kOpenFlags);
  if (query == INVALID_HANDLE_VALUE) return false;  // gone since the list was made
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!os_.GetAttributes(query, &attributes)) {
    os_.CloseHandle(query);
    return false;
  }
  info->vendorId = attributes.VendorID;
  info->productId = attributes.ProductID;
  info->version = attributes.VersionNumber;
  if (isCandidate_ && !isCandidate_(info->vendorId, info->productId)) {
    os_.CloseHandle(query);
    return true;
  }

  HANDLE file = os_.OpenPath(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             OPEN_EXISTING, kOpenFlags);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = os_.GetLastError();
    const OpenFailure failure = ClassifyOpenError(error);
    if (failure == OpenFailure::kUnplugged || failure == OpenFailure::kGone) {
      os_.CloseHandle(query);
      return false;
    }
    info->openable = false;
    // Busy is told by openable alone; anything else says why.
    if (failure != OpenFailure::kBusy) info->noAccess = OpenFailureText(failure, error);
  }
  // Serial and report lengths of a candidate: through the read/write handle,
  // or the query handle when another program holds the device.
  const HANDLE ask = file != INVALID_HANDLE_VALUE ? file : query;
  uint8_t serial[kSerialBytes] = {};
  if (os_.GetSerialNumberString(ask, serial, kSerialBytes - 2)) {
    info->serial = SerialText(serial, sizeof serial);
  }
  ReadCaps(ask, &info->capsValid, &info->inputReportLength, &info->outputReportLength);
  if (file != INVALID_HANDLE_VALUE) os_.CloseHandle(file);
  os_.CloseHandle(query);
  return true;
}

std::vector<HidDeviceInfo> WindowsHidBackend::Enumerate() {
  std::vector<HidDeviceInfo> out;
  if (!Load()) return out;
  GUID guid{};
  os_.GetHidGuid(&guid);
  HDEVINFO set = os_.GetClassDevs(&guid, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE || set == nullptr) return out;
  for (DWORD index = 0; index < kMaxInterfaces; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!os_.EnumDeviceInterfaces(set, &guid, index, &data)) break;
    DWORD required = 0;
    os_.GetDeviceInterfaceDetail(set, &data, nullptr, 0, &required);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || required > 64 * 1024) continue;
    // Room for the record and one more terminator, in units the record's
    // alignment allows.
    std::vector<DWORD> storage(required / sizeof(DWORD) + 2, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!os_.GetDeviceInterfaceDetail(set, &data, detail, required, nullptr)) continue;

    HidDeviceInfo info;
    info.path = Narrow(detail->DevicePath);
    if (!info.path.empty() && Describe(detail->DevicePath, &info)) out.push_back(std::move(info));
  }
  os_.DestroyDeviceInfoList(set);
  return out;
}

int WindowsHidBackend::Open(const std::string& path, HidHandle* handle) {
  *handle = kInvalidHidHandle;
  if (!Load()) return kWaitFailed;
  const std::wstring wide = Wide(path);
  if (wide.empty()) return kWaitFailed;
  HANDLE file = os_.OpenPath(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, kOpenFlags);
  if (file == INVALID_HANDLE_VALUE) return kWaitFailed;
  Device device;
  device.file = file;
  bool capsValid = false;
  ReadCaps(file, &capsValid, &device.inputLength, &device.outputLength);
  if (!capsValid) device.inputLength = device.outputLength = 0;
  if (nextHandle_ == kInvalidHidHandle) ++nextHandle_;
  *handle = nextHandle_++;
  open_.emplace(*handle, std::move(device));
  return kWaitOk;
}

void WindowsHidBackend::Close(HidHandle handle) {
  const auto it = open_.find(handle);
  if (it == open_.end()) return;
  ReleaseParked(it->second);
  open_.erase(it);
}

void WindowsHidBackend::ReleaseParked(Device& device) {
  // Closing the file ends its outstanding operations (the cancels are asked
  // for once more first); each one's record, event and buffer go only when
  // its event says it is over.
  for (auto& io : device.parked) os_.CancelIoEx(device.file, &io->ov);
  os_.CloseHandle(device.file);
  device.file = INVALID_HANDLE_VALUE;
  for (auto& io : device.parked) {
    if (os_.WaitForSingleObject(io->event, kCancelWaitMs) == WAIT_OBJECT_0) {
      os_.CloseHandle(io->event);
    } else {
      abandoned_.push_back(std::move(io));
    }
  }
  device.parked.clear();
}

WindowsHidBackend::Device* WindowsHidBackend::Find(HidHandle handle) {
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : &it->second;
}

int WindowsHidBackend::Transfer(Device& device, bool write, std::span<uint8_t> data, uint32_t waitMs,
                                size_t* got) {
  auto io = std::make_unique<Io>();
  io->event = os_.MakeEvent(TRUE, FALSE);
  if (io->event == nullptr) return kWaitFailed;
  io->ov.hEvent = io->event;
  io->buffer.assign(data.begin(), data.end());
  const auto size = static_cast<DWORD>(io->buffer.size());
  const BOOL started = write ? os_.WriteFile(device.file, io->buffer.data(), size, &io->ov)
                             : os_.ReadFile(device.file, io->buffer.data(), size, &io->ov);
  // An operation that failed outright never signals: report the failure
  // rather than waiting (or, with a signalled event, claiming success).
  if (!started && os_.GetLastError() != ERROR_IO_PENDING) {
    os_.CloseHandle(io->event);
    return kWaitFailed;
  }
  int result = started ? kWaitOk : WaitResult(os_.WaitForSingleObject(io->event, waitMs));
  DWORD transferred = 0;
  if (result != kWaitOk) {
    // Cancel this operation and let it end before its record, event and
    // buffer are given up or reused; if it does not end in time they are
    // kept until the handle is closed.
    os_.CancelIoEx(device.file, &io->ov);
    if (os_.WaitForSingleObject(io->event, kCancelWaitMs) != WAIT_OBJECT_0) {
      device.parked.push_back(std::move(io));
      return result;
    }
    // Over now: cancelled, or it completed in the race with the cancel; a
    // report that went out or came in counts (a resend would repeat it).
    if (os_.GetOverlappedResult(device.file, &io->ov, &transferred, TRUE)) result = kWaitOk;
  } else if (!os_.GetOverlappedResult(device.file, &io->ov, &transferred, TRUE)) {
    result = kWaitFailed;
  }
  if (result == kWaitOk && !write) {
    const size_t n = std::min<size_t>({transferred, data.size(), io->buffer.size()});
    std::memcpy(data.data(), io->buffer.data(), n);
    *got = n;
  } else if (result == kWaitOk) {
    *got = transferred;
  }
  os_.CloseHandle(io->event);
  return result;
}

int WindowsHidBackend::Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  Device* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  // The device takes exactly one output report; shorter input is padded
  // with zeros, longer input is cut to the report.
  std::vector<uint8_t> out(report.begin(), report.end());
  if (device->outputLength != 0) out.resize(device->outputLength, 0);
  if (out.empty()) return kWaitFailed;
  size_t got = 0;
  return Transfer(*device, true, out, waitMs, &got);
}

int WindowsHidBackend::Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  *got = 0;
  Device* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  // The system insists on a buffer of the whole input report.
  std::vector<uint8_t> in(device->inputLength != 0 ? device->inputLength : buf.size(), 0);
  if (in.empty()) return kWaitFailed;
  size_t n = 0;
  const int result = Transfer(*device, false, in, waitMs, &n);
  if (result == kWaitOk) {
    *got = std::min(n, buf.size());
    std::memcpy(buf.data(), in.data(), *got);
  }
  return result;
}

int WindowsHidBackend::GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                        size_t* got) {
  *got = 0;
  Device* device = Find(handle);
  if (device == nullptr || buf.empty()) return kWaitFailed;
  ULONG returned = 0;
  if (!os_.GetIndexedString(device->file, index, buf.data(), static_cast<ULONG>(buf.size()),
                            &returned)) {
    return kWaitFailed;
  }
  *got = std::min<size_t>(returned, buf.size());
  return kWaitOk;
}

int WindowsHidBackend::GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  Device* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  uint8_t serial[kSerialBytes] = {};
  if (!os_.GetSerialNumberString(device->file, serial, kSerialBytes - 2)) return kWaitFailed;
  const std::u16string text = SerialText(serial, sizeof serial);
  size_t placed = 0;
  for (char16_t c : text) {
    if (placed + 2 > buf.size()) break;
    buf[placed++] = static_cast<uint8_t>(c);
    buf[placed++] = static_cast<uint8_t>(c >> 8);
  }
  if (placed + 2 <= buf.size()) {
    buf[placed++] = 0;
    buf[placed++] = 0;
  }
  *got = placed;
  return kWaitOk;
}

}  // namespace vt::platform::winhid
