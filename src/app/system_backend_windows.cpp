#include "app/system_backend.h"

#include "devlink/board_identity.h"
#include "platform/hid_windows/board_mutex.h"
#include "platform/hid_windows/windows_hid_backend.h"

namespace vt::app {

namespace {

// Windows tells arrivals to a window (WM_DEVICECHANGE), not through a
// descriptor: the Win32 front end registers for them when given this watch,
// and every notice it receives is a change.
class WindowMessageDeviceWatch final : public platform::DeviceWatch {
 public:
  int ReadableFd() const override { return -1; }
  bool TakeChanges() override { return true; }
};

}  // namespace

std::unique_ptr<platform::HidBackend> MakeSystemHidBackend() {
  auto backend = std::make_unique<platform::winhid::WindowsHidBackend>();
  // Only possible boards are opened read/write during enumeration; the
  // machine's keyboards and mice are looked at through their IDs alone.
  backend->SetCandidates([](uint16_t vendorId, uint16_t productId) {
    return devlink::IsAcceptedVendor(vendorId) && devlink::IsAcceptedProduct(productId);
  });
  // A named mutex per board, so that one program at a time talks to it.
  return std::make_unique<platform::winhid::BoardMutexHid>(std::move(backend));
}

std::unique_ptr<platform::DeviceWatch> MakeSystemDeviceWatch() {
  return std::make_unique<WindowMessageDeviceWatch>();
}

}  // namespace vt::app
