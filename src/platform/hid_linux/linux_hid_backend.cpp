#include "platform/hid_linux/linux_hid_backend.h"

#include "platform/hid_linux/device_access.h"

#include <libudev.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace vt::platform::hidraw {

LinuxHidBackend::LinuxHidBackend(std::filesystem::path sysRoot) : sysRoot_(std::move(sysRoot)) {}

LinuxHidBackend::~LinuxHidBackend() {
  open_.clear();  // closes the USB handles before their context goes
  if (usb_ != nullptr) libusb_exit(usb_);
  if (udev_ != nullptr) udev_unref(udev_);
}

bool LinuxHidBackend::Load() {
  if (udev_ == nullptr) udev_ = udev_new();
  if (usb_ == nullptr && libusb_init(&usb_) != 0) usb_ = nullptr;
  return udev_ != nullptr;
}

std::vector<std::string> LinuxHidBackend::EntryPointNames() const {
  return {"udev_enumerate_scan_devices", "hidraw read", "hidraw write",
          usb_ != nullptr ? "libusb_control_transfer" : "libusb_control_transfer (unavailable)"};
}

std::vector<HidDeviceInfo> LinuxHidBackend::Enumerate() {
  if (!Load()) return {};
  std::vector<HidDeviceInfo> out;
  udev_enumerate* e = udev_enumerate_new(udev_);
  if (e == nullptr) return out;
  udev_enumerate_add_match_subsystem(e, "hidraw");
  udev_enumerate_scan_devices(e);
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
    const char* syspath = udev_list_entry_get_name(entry);
    udev_device* dev = udev_device_new_from_syspath(udev_, syspath);
    if (dev == nullptr) continue;
    const char* devnode = udev_device_get_devnode(dev);
    if (devnode != nullptr) {
      if (auto node = DescribeHidraw(syspath, devnode)) {
        // Only a refusal counts as missing access; a node that is not there
        // fails later with its own error.
        const auto missing = NodeWithoutAccess(*node, [](const std::string& p) {
          return access(p.c_str(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM);
        });
        node->info.openable = !missing && access(devnode, R_OK | W_OK) == 0;
        if (missing) node->info.noAccess = NoAccessMessage(*missing);
        out.push_back(std::move(node->info));
      }
    }
    udev_device_unref(dev);
  }
  udev_enumerate_unref(e);
  return out;
}

int LinuxHidBackend::Open(const std::string& path, HidHandle* handle) {
  *handle = kInvalidHidHandle;
  // Only device nodes of hidraw devices are opened.
  const auto name = std::filesystem::path(path).filename().string();
  if (name.rfind("hidraw", 0) != 0) return kWaitFailed;
  auto node = DescribeHidraw(sysRoot_ / "class" / "hidraw" / name, path);
  if (!node) return kWaitFailed;
  auto file = OpenHidraw(path);
  if (!file) return kWaitFailed;
  auto device = std::make_unique<OpenDevice>();
  device->file = std::move(file);
  device->node = std::move(*node);
  if (nextHandle_ == kInvalidHidHandle) ++nextHandle_;
  *handle = nextHandle_++;
  open_[*handle] = std::move(device);
  return kWaitOk;
}

void LinuxHidBackend::Close(HidHandle handle) { open_.erase(handle); }

LinuxHidBackend::OpenDevice* LinuxHidBackend::Find(HidHandle handle) {
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second.get();
}

UsbStringReader* LinuxHidBackend::Strings(OpenDevice& device) {
  if (!device.node.usb) return nullptr;
  if (!device.usb.IsOpen() && !device.usb.Open(usb_, *device.node.usb)) return nullptr;
  return &device.usb;
}

int LinuxHidBackend::Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  OpenDevice* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  if (lock_.Holds(device->node.info.path)) return BoundedWrite(device->file, device->pendingWrite, report, waitMs);
  // Another program changing the board's flash does not take reports from
  // this one, as a busy device would not.
  const SharedWriteGuard guard(device->file->Fd());
  if (!guard.Allowed()) return kWaitTimeout;
  return BoundedWrite(device->file, device->pendingWrite, report, waitMs);
}

int LinuxHidBackend::Claim(const std::string& path, const std::string& who, std::string* holder) {
  (void)who;  // the lock itself tells others this program's id and name
  // Only hidraw nodes are locked; anything else is not a board of this stack.
  if (std::filesystem::path(path).filename().string().rfind("hidraw", 0) != 0) return kWaitFailed;
  return lock_.Take(path, holder);
}

int LinuxHidBackend::Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  *got = 0;
  OpenDevice* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  return BoundedRead(device->file->Fd(), buf, !device->node.usesReportIds, waitMs, got);
}

int LinuxHidBackend::GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                      size_t* got) {
  *got = 0;
  OpenDevice* device = Find(handle);
  UsbStringReader* strings = device != nullptr ? Strings(*device) : nullptr;
  if (strings == nullptr) return kWaitFailed;
  const auto n = strings->ReadString(index, buf);
  if (!n) return kWaitFailed;
  *got = *n;
  return kWaitOk;
}

int LinuxHidBackend::GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  *got = 0;
  OpenDevice* device = Find(handle);
  if (device == nullptr) return kWaitFailed;
  // Whole 16-bit units only, then the terminator when it fits.
  const auto units = buf.subspan(0, buf.size() & ~size_t{1});
  size_t placed = 0;
  UsbStringReader* strings = Strings(*device);
  std::optional<size_t> n;
  if (strings != nullptr && strings->SerialIndex() != 0) n = strings->ReadString(strings->SerialIndex(), units);
  if (n) {
    placed = *n & ~size_t{1};
  } else {
    // Without access to the USB device (only the hidraw node may be granted)
    // the serial the kernel read at enumeration stands in, read afresh so an
    // unplugged board still fails.
    const auto name = std::filesystem::path(device->node.info.path).filename();
    const auto node = DescribeHidraw(sysRoot_ / "class" / "hidraw" / name, device->node.info.path);
    if (!node || node->info.serial.empty()) return kWaitFailed;
    for (char16_t c : node->info.serial) {
      if (placed + 2 > units.size()) break;
      units[placed++] = static_cast<uint8_t>(c);
      units[placed++] = static_cast<uint8_t>(c >> 8);
    }
  }
  if (placed + 2 <= buf.size()) {
    buf[placed] = 0;
    buf[placed + 1] = 0;
    placed += 2;
  }
  *got = placed;
  return kWaitOk;
}

}  // namespace vt::platform::hidraw
