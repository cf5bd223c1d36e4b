#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "sim/usb/usb_descriptors.h"

// A board as a USB device: turns control requests and interrupt transfers
// into the HID primitives of the board behind it and back. Knows nothing of
// how the transfers arrive (see usbredir_front.h).
namespace vt::sim::usb {

struct SetupPacket {
  uint8_t requestType = 0;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  uint16_t length = 0;
};

enum class TransferStatus { kOk, kStall, kIoError, kTimeout };

struct TransferResult {
  TransferStatus status = TransferStatus::kOk;
  std::vector<uint8_t> data;  // IN transfers: what the device returns
};

class UsbBoardDevice {
 public:
  // How long a board may take to accept an output report before the
  // transfer fails (a real host gives up after about as long).
  static constexpr uint32_t kWriteWaitMs = 5000;

  UsbBoardDevice(platform::HidBackend& backend, bool outEndpoint);
  ~UsbBoardDevice();
  UsbBoardDevice(const UsbBoardDevice&) = delete;
  UsbBoardDevice& operator=(const UsbBoardDevice&) = delete;

  // Finds the board (the first device the backend lists, or the one at
  // `path` when set) and opens it. False when there is none or it cannot be opened.
  bool Attach(const std::string& path = {});
  // Closes the board; the device is then off the bus.
  void Detach();
  bool Attached() const { return handle_ != platform::kInvalidHidHandle; }
  const DeviceShape& Shape() const { return shape_; }
  const std::string& Path() const { return path_; }
  // True once a primitive failed because the board went away or restarted
  // (its handle died): the device has to leave the bus and come back.
  bool Lost() const { return lost_; }

  TransferResult Control(const SetupPacket& setup, std::span<const uint8_t> outData);
  TransferResult InterruptOut(std::span<const uint8_t> payload);
  // One input report waiting on the board, without its report ID byte.
  std::optional<std::vector<uint8_t>> PollInput();
  // Asks the board something harmless to find out whether it is still there.
  void CheckAlive();

  uint8_t Configuration() const { return configuration_; }

 private:
  TransferResult StandardIn(const SetupPacket& setup);
  TransferResult ClassRequest(const SetupPacket& setup, std::span<const uint8_t> outData);
  TransferResult StringRequest(uint8_t index);
  TransferResult WriteReport(std::span<const uint8_t> payload);
  void NoteFailure(int rc);

  platform::HidBackend& backend_;
  bool outEndpoint_;
  DeviceShape shape_;
  std::string path_;
  platform::HidHandle handle_ = platform::kInvalidHidHandle;
  bool lost_ = false;
  uint8_t configuration_ = 0;
  uint8_t idleRate_ = 0;
  uint8_t protocol_ = 1;  // report protocol
  // A short request for a board string (the host reading the length first)
  // keeps the answer, so the full request that follows gets the same bytes
  // instead of asking the board a second time.
  std::optional<std::pair<uint8_t, std::vector<uint8_t>>> heldString_;
};

}  // namespace vt::sim::usb
