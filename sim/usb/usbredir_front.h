#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/usb/usb_board_device.h"
#include "sim/wire/listen_socket.h"

struct usbredirparser;

// The usbredir side of a USB board device: listens for one peer (QEMU's
// usb-redir device connects to it) and carries control and interrupt
// transfers between that peer and a UsbBoardDevice. Single threaded; every
// transfer is answered as soon as it arrives.
namespace vt::sim::usb {

// Pulls the cable after a number of output reports and plugs it back in
// after a while (testing an unplug in the middle of an operation).
struct UnplugPlan {
  int afterReports = -1;  // -1: never
  int forMs = 3000;
};

class UsbRedirFront {
 public:
  UsbRedirFront(UsbBoardDevice& device, std::string boardPath, UnplugPlan plan = {});
  ~UsbRedirFront();
  UsbRedirFront(const UsbRedirFront&) = delete;
  UsbRedirFront& operator=(const UsbRedirFront&) = delete;

  bool Listen(const ListenAddress& address, std::string* error);
  uint16_t Port() const { return listener_.Port(); }
  // Waits at most timeoutMs for traffic, serves it, moves input reports up
  // and follows the board's presence. False when nothing happened.
  bool RunOnce(int timeoutMs);
  bool PeerConnected() const { return peerFd_ >= 0; }
  // Whether the device is on the bus as the peer sees it.
  bool DeviceConnected() const { return deviceConnected_; }
  void Shutdown();

  // Parser callbacks (public for the C trampolines).
  void OnHello();
  void OnControl(uint64_t id, const void* header, uint8_t* data, int len);
  void OnInterrupt(uint64_t id, const void* header, uint8_t* data, int len);
  void OnStartInterrupt(uint64_t id, uint8_t endpoint);
  void OnStopInterrupt(uint64_t id, uint8_t endpoint);
  void OnSetConfiguration(uint64_t id, uint8_t configuration);
  void OnGetConfiguration(uint64_t id);
  void OnSetAltSetting(uint64_t id, uint8_t interface, uint8_t alt);
  void OnGetAltSetting(uint64_t id, uint8_t interface);
  void OnBulk(uint64_t id, const void* header, uint8_t* data, int len);
  void OnDisconnectAck() { awaitingAck_ = false; }
  usbredirparser* Parser() { return parser_; }
  int ReadPeer(uint8_t* data, int count);
  int WritePeer(uint8_t* data, int count);

 private:
  using Clock = std::chrono::steady_clock;
  void AcceptPeer();
  void DropPeer();
  void SendConnect();
  void SendDisconnect();
  void FlushPeer();
  void CountOutputReport();
  void FollowBoard();

  UsbBoardDevice& device_;
  std::string boardPath_;
  UnplugPlan plan_;
  ListenSocket listener_;
  int peerFd_ = -1;
  usbredirparser* parser_ = nullptr;
  bool helloSeen_ = false;
  bool deviceConnected_ = false;
  bool awaitingAck_ = false;
  bool receiving_ = false;
  uint64_t nextInputId_ = 0;
  int outputReports_ = 0;
  Clock::time_point replugAt_{};
  Clock::time_point nextCheck_{};
  bool unplugged_ = false;  // by the plan, not by the board
};

}  // namespace vt::sim::usb
