// Win32Ui: device arrivals. The message-only window registers for the HID
// interface class, so Windows sends it WM_DEVICECHANGE when a HID device
// comes or goes; that becomes one DeviceChange event for the watching
// window, the way a readable watch descriptor does in the other front ends.
#include "platform/ui_windows/win32_ui.h"

#include <dbt.h>

#include "platform/device_watch.h"

namespace vt::platform::win32 {

namespace {

// The HID device interface class (what HidD_GetHidGuid returns); fixed by
// Windows, so hid.dll need not be loaded for it.
constexpr GUID kHidInterfaceClass{0x4d1e55b2, 0xf16f, 0x11cf,
                                  {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace

bool Win32Ui::WatchDevices(WindowHandle window, DeviceWatch* watch) {
  if (FindWindow(window) == nullptr || watch == nullptr || host_ == nullptr) return false;
  if (deviceNotify_ == nullptr) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kHidInterfaceClass;
    deviceNotify_ = RegisterDeviceNotificationW(host_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (deviceNotify_ == nullptr) return false;
  }
  watchWindow_ = window;
  watch_ = watch;
  return true;
}

void Win32Ui::StopWatchingDevices() {
  if (deviceNotify_ != nullptr) UnregisterDeviceNotification(deviceNotify_);
  deviceNotify_ = nullptr;
  watch_ = nullptr;
  watchWindow_ = kNoWindow;
}

void Win32Ui::OnDeviceChange(WPARAM kind, LPARAM data) {
  if (kind != DBT_DEVICEARRIVAL && kind != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  if (watch_ == nullptr || FindWindow(watchWindow_) == nullptr || !watch_->TakeChanges()) return;
  if (posted_.PushDeviceChange(watchWindow_)) ScheduleDrain();
}

}  // namespace vt::platform::win32
