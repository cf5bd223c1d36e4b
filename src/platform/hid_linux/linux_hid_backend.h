#pragma once

#include <filesystem>
#include <map>
#include <memory>

#include "platform/hid_backend.h"
#include "platform/hid_linux/board_write_lock.h"
#include "platform/hid_linux/hidraw_io.h"
#include "platform/hid_linux/sysfs_hidraw.h"
#include "platform/hid_linux/usb_strings.h"

struct udev;
struct libusb_context;

namespace vt::platform::hidraw {

// HID primitives on Linux: enumeration through libudev and sysfs, reports
// through /dev/hidraw*, strings through USB control requests to the device.
class LinuxHidBackend final : public HidBackend {
 public:
  // `sysRoot` is where sysfs is mounted; only tests point it elsewhere.
  explicit LinuxHidBackend(std::filesystem::path sysRoot = "/sys");
  ~LinuxHidBackend() override;
  LinuxHidBackend(const LinuxHidBackend&) = delete;
  LinuxHidBackend& operator=(const LinuxHidBackend&) = delete;

  // Creates the udev and libusb contexts. False without udev; without libusb
  // the backend still enumerates and moves reports, but strings fail.
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
  // The advisory lock on the hidraw node (BoardWriteLock). While another
  // program holds it, Write() keeps reports back and times out.
  int Claim(const std::string& path, const std::string& who, std::string* holder) override;
  void Release(const std::string& path) override { lock_.Release(path); }

 private:
  struct OpenDevice {
    std::shared_ptr<HidrawFile> file;
    std::shared_ptr<PendingWrite> pendingWrite;
    HidrawNode node;
    UsbStringReader usb;  // opened at the first string request
  };
  OpenDevice* Find(HidHandle handle);
  UsbStringReader* Strings(OpenDevice& device);

  std::filesystem::path sysRoot_;
  udev* udev_ = nullptr;
  libusb_context* usb_ = nullptr;
  std::map<HidHandle, std::unique_ptr<OpenDevice>> open_;
  HidHandle nextHandle_ = 1;
  BoardWriteLock lock_;
};

}  // namespace vt::platform::hidraw
