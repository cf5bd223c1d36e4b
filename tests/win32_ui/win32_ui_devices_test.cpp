// Device arrivals in the Win32 Ui: Windows' WM_DEVICECHANGE for a HID
// interface, sent to the Ui's message-only window the way the system sends
// it, becomes one DeviceChange for the watching window, held while an
// operation runs; other device notices raise nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <vector>

#include "platform/device_watch.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "tests/win32_ui/win32_test_ui.h"

namespace vt::platform::win32 {
namespace {

class AlwaysChanged final : public DeviceWatch {
 public:
  int ReadableFd() const override { return -1; }
  bool TakeChanges() override { return true; }
};

// What the system sends for an interface that came or went.
void Announce(WPARAM kind, DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE) {
  const HWND host = FindWindowExW(HWND_MESSAGE, nullptr, L"VelotrackUiHost", nullptr);
  ASSERT_NE(host, nullptr);
  DEV_BROADCAST_DEVICEINTERFACE_W notice{};
  notice.dbcc_size = sizeof notice;
  notice.dbcc_devicetype = deviceType;
  SendMessageW(host, WM_DEVICECHANGE, kind, reinterpret_cast<LPARAM>(&notice));
}

TEST(Win32UiDevices, ArrivalsBecomeOneDeviceChangeAfterTheOperation) {
  Win32TestUi ui{resources::BuiltInTemplates()};
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  std::vector<UiEvent> events;
  ui.SetEventHandler([&events](const UiEvent& e) { events.push_back(e); });
  AlwaysChanged watch;
  ASSERT_TRUE(ui.WatchDevices(main, &watch));

  Announce(DBT_DEVNODES_CHANGED);
  Announce(DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME);
  EXPECT_EQ(ui.PendingEvents(), 0u);

  ui.BeginOperation(main, "Reading");
  Announce(DBT_DEVICEARRIVAL);
  Announce(DBT_DEVICEREMOVECOMPLETE);
  Announce(DBT_DEVICEARRIVAL);
  EXPECT_EQ(ui.RunPending(), 0u);
  ui.EndOperation();

  EXPECT_EQ(ui.RunPending(), 1u);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::DeviceChange);
  EXPECT_EQ(events[0].window, main);
}

}  // namespace
}  // namespace vt::platform::win32
