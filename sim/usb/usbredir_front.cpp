#include "sim/usb/usbredir_front.h"

#include <usbredirfilter.h>
#include <usbredirparser.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/sockets/socket_os.h"

namespace vt::sim::usb {

namespace {

namespace os = vt::platform::sockets;

UsbRedirFront* Self(void* priv) { return static_cast<UsbRedirFront*>(priv); }

uint8_t StatusOf(TransferStatus s) {
  switch (s) {
    case TransferStatus::kOk: return usb_redir_success;
    case TransferStatus::kStall: return usb_redir_stall;
    case TransferStatus::kTimeout: return usb_redir_timeout;
    case TransferStatus::kIoError: break;
  }
  return usb_redir_ioerror;
}

constexpr int kFullSpeed = usb_redir_speed_full;
constexpr int kCheckEveryMs = 20;    // how often the board's presence is checked
constexpr int kRetryAttachMs = 200;  // how often a gone board is looked for

// C trampolines into the front.
void LogCb(void*, int level, const char* msg) {
  if (level <= usbredirparser_error) std::fprintf(stderr, "velotrack-board: usbredir: %s\n", msg);
}
int ReadCb(void* p, uint8_t* d, int n) { return Self(p)->ReadPeer(d, n); }
int WriteCb(void* p, uint8_t* d, int n) { return Self(p)->WritePeer(d, n); }
void HelloCb(void* p, usb_redir_hello_header*) { Self(p)->OnHello(); }
void ResetCb(void*) {}
void SetConfigCb(void* p, uint64_t id, usb_redir_set_configuration_header* h) {
  Self(p)->OnSetConfiguration(id, h->configuration);
}
void GetConfigCb(void* p, uint64_t id) { Self(p)->OnGetConfiguration(id); }
void SetAltCb(void* p, uint64_t id, usb_redir_set_alt_setting_header* h) {
  Self(p)->OnSetAltSetting(id, h->interface, h->alt);
}
void GetAltCb(void* p, uint64_t id, usb_redir_get_alt_setting_header* h) {
  Self(p)->OnGetAltSetting(id, h->interface);
}
void StartIntCb(void* p, uint64_t id, usb_redir_start_interrupt_receiving_header* h) {
  Self(p)->OnStartInterrupt(id, h->endpoint);
}
void StopIntCb(void* p, uint64_t id, usb_redir_stop_interrupt_receiving_header* h) {
  Self(p)->OnStopInterrupt(id, h->endpoint);
}
void CancelCb(void*, uint64_t) {}  // every transfer is answered at once
void DisconnectAckCb(void* p) { Self(p)->OnDisconnectAck(); }
void ControlCb(void* p, uint64_t id, usb_redir_control_packet_header* h, uint8_t* d, int n) {
  Self(p)->OnControl(id, h, d, n);
}
void InterruptCb(void* p, uint64_t id, usb_redir_interrupt_packet_header* h, uint8_t* d, int n) {
  Self(p)->OnInterrupt(id, h, d, n);
}
void BulkCb(void* p, uint64_t id, usb_redir_bulk_packet_header* h, uint8_t* d, int n) {
  Self(p)->OnBulk(id, h, d, n);
}

// Requests for things the board does not have (isochronous and bulk
// endpoints, streams) are refused; the parser calls every callback without
// checking it, so each one is set.
void StartIsoCb(void* p, uint64_t id, usb_redir_start_iso_stream_header* h) {
  usb_redir_iso_stream_status_header st{usb_redir_inval, h->endpoint};
  usbredirparser_send_iso_stream_status(Self(p)->Parser(), id, &st);
}
void StopIsoCb(void* p, uint64_t id, usb_redir_stop_iso_stream_header* h) {
  usb_redir_iso_stream_status_header st{usb_redir_inval, h->endpoint};
  usbredirparser_send_iso_stream_status(Self(p)->Parser(), id, &st);
}
void IsoCb(void* p, uint64_t id, usb_redir_iso_packet_header* h, uint8_t* d, int) {
  if (d != nullptr) usbredirparser_free_packet_data(Self(p)->Parser(), d);
  usb_redir_iso_packet_header r{h->endpoint, usb_redir_inval, 0};
  usbredirparser_send_iso_packet(Self(p)->Parser(), id, &r, nullptr, 0);
}
void AllocStreamsCb(void* p, uint64_t id, usb_redir_alloc_bulk_streams_header* h) {
  usb_redir_bulk_streams_status_header st{h->endpoints, 0, usb_redir_inval};
  usbredirparser_send_bulk_streams_status(Self(p)->Parser(), id, &st);
}
void FreeStreamsCb(void* p, uint64_t id, usb_redir_free_bulk_streams_header* h) {
  usb_redir_bulk_streams_status_header st{h->endpoints, 0, usb_redir_inval};
  usbredirparser_send_bulk_streams_status(Self(p)->Parser(), id, &st);
}
void StartBulkCb(void* p, uint64_t id, usb_redir_start_bulk_receiving_header* h) {
  usb_redir_bulk_receiving_status_header st{h->stream_id, h->endpoint, usb_redir_inval};
  usbredirparser_send_bulk_receiving_status(Self(p)->Parser(), id, &st);
}
void StopBulkCb(void* p, uint64_t id, usb_redir_stop_bulk_receiving_header* h) {
  usb_redir_bulk_receiving_status_header st{h->stream_id, h->endpoint, usb_redir_inval};
  usbredirparser_send_bulk_receiving_status(Self(p)->Parser(), id, &st);
}
void FilterRejectCb(void*) {}
void FilterCb(void*, usbredirfilter_rule* rules, int) { usbredirfilter_free(rules); }

}  // namespace

UsbRedirFront::UsbRedirFront(UsbBoardDevice& device, std::string boardPath, UnplugPlan plan)
    : device_(device), boardPath_(std::move(boardPath)), plan_(plan) {}

UsbRedirFront::~UsbRedirFront() { Shutdown(); }

void UsbRedirFront::Shutdown() {
  DropPeer();
  listener_.Close();
}

bool UsbRedirFront::Listen(const ListenAddress& address, std::string* error) {
  Shutdown();
  return listener_.Open(address, 1, error);
}

void UsbRedirFront::AcceptPeer() {
  const int fd = listener_.Accept();
  if (fd < 0) return;
  if (peerFd_ >= 0) {  // one peer at a time
    os::CloseSocket(fd);
    return;
  }
  // usbredirparser_do_read keeps reading until a read would block.
  os::SetNonBlocking(fd);
  peerFd_ = fd;
  parser_ = usbredirparser_create();
  parser_->priv = this;
  parser_->log_func = LogCb;
  parser_->read_func = ReadCb;
  parser_->write_func = WriteCb;
  parser_->hello_func = HelloCb;
  parser_->reset_func = ResetCb;
  parser_->set_configuration_func = SetConfigCb;
  parser_->get_configuration_func = GetConfigCb;
  parser_->set_alt_setting_func = SetAltCb;
  parser_->get_alt_setting_func = GetAltCb;
  parser_->start_interrupt_receiving_func = StartIntCb;
  parser_->stop_interrupt_receiving_func = StopIntCb;
  parser_->cancel_data_packet_func = CancelCb;
  parser_->device_disconnect_ack_func = DisconnectAckCb;
  parser_->control_packet_func = ControlCb;
  parser_->interrupt_packet_func = InterruptCb;
  parser_->bulk_packet_func = BulkCb;
  parser_->iso_packet_func = IsoCb;
  parser_->start_iso_stream_func = StartIsoCb;
  parser_->stop_iso_stream_func = StopIsoCb;
  parser_->alloc_bulk_streams_func = AllocStreamsCb;
  parser_->free_bulk_streams_func = FreeStreamsCb;
  parser_->start_bulk_receiving_func = StartBulkCb;
  parser_->stop_bulk_receiving_func = StopBulkCb;
  parser_->filter_reject_func = FilterRejectCb;
  parser_->filter_filter_func = FilterCb;
  // QEMU's xHCI path needs 64-bit ids, ep_info packet sizes and 32-bit bulk
  // lengths from the device side, or it refuses the device.
  uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
  usbredirparser_caps_set_cap(caps, usb_redir_cap_connect_device_version);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_device_disconnect_ack);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_ep_info_max_packet_size);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_64bits_ids);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_32bits_bulk_length);
  char version[] = "velotrack-board";
  usbredirparser_init(parser_, version, caps, USB_REDIR_CAPS_SIZE, usbredirparser_fl_usb_host);
  helloSeen_ = false;
  deviceConnected_ = false;
  awaitingAck_ = false;
  receiving_ = false;
  FlushPeer();
}

void UsbRedirFront::DropPeer() {
  if (parser_ != nullptr) usbredirparser_destroy(parser_);
  parser_ = nullptr;
  os::CloseSocket(peerFd_);
  peerFd_ = -1;
  helloSeen_ = deviceConnected_ = awaitingAck_ = receiving_ = false;
}

int UsbRedirFront::ReadPeer(uint8_t* data, int count) {
  const ssize_t n = ::recv(peerFd_, data, static_cast<size_t>(count), 0);
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  return -1;  // closed or broken
}

int UsbRedirFront::WritePeer(uint8_t* data, int count) {
  const ssize_t n = ::send(peerFd_, data, static_cast<size_t>(count), MSG_NOSIGNAL);
  if (n >= 0) return static_cast<int>(n);
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  return -1;
}

void UsbRedirFront::FlushPeer() {
  while (parser_ != nullptr && usbredirparser_has_data_to_write(parser_) > 0) {
    if (usbredirparser_do_write(parser_) < 0) {
      DropPeer();
      return;
    }
    if (usbredirparser_has_data_to_write(parser_) > 0) {
      pollfd p{peerFd_, POLLOUT, 0};
      if (::poll(&p, 1, 1000) <= 0) {
        DropPeer();
        return;
      }
    }
  }
}

void UsbRedirFront::SendConnect() {
  if (parser_ == nullptr || !helloSeen_ || deviceConnected_ || awaitingAck_ ||
      !device_.Attached() || unplugged_) {
    return;
  }
  const DeviceShape& s = device_.Shape();
  usb_redir_interface_info_header ii{};
  ii.interface_count = 1;
  ii.interface_class[0] = 0x03;  // HID
  usbredirparser_send_interface_info(parser_, &ii);
  usb_redir_ep_info_header ep{};
  for (auto& t : ep.type) t = usb_redir_type_invalid;
  ep.type[0] = ep.type[16] = usb_redir_type_control;  // endpoint 0, both directions
  ep.max_packet_size[0] = ep.max_packet_size[16] = 64;
  ep.type[17] = usb_redir_type_interrupt;  // 0x81: index 16 + 1
  ep.interval[17] = kIntervalMs;
  ep.max_packet_size[17] = MaxPacket(InputPayload(s));
  if (s.outEndpoint) {
    ep.type[1] = usb_redir_type_interrupt;  // 0x01
    ep.interval[1] = kIntervalMs;
    ep.max_packet_size[1] = MaxPacket(OutputPayload(s));
  }
  usbredirparser_send_ep_info(parser_, &ep);
  usb_redir_device_connect_header dc{};
  dc.speed = kFullSpeed;
  dc.vendor_id = s.vendorId;
  dc.product_id = s.productId;
  dc.device_version_bcd = s.release;
  usbredirparser_send_device_connect(parser_, &dc);
  deviceConnected_ = true;
}

void UsbRedirFront::SendDisconnect() {
  if (parser_ != nullptr && deviceConnected_) {
    usbredirparser_send_device_disconnect(parser_);
    awaitingAck_ = usbredirparser_peer_has_cap(parser_, usb_redir_cap_device_disconnect_ack) != 0;
  }
  deviceConnected_ = false;
  receiving_ = false;
}

void UsbRedirFront::OnHello() {
  helloSeen_ = true;
  SendConnect();
}

void UsbRedirFront::OnControl(uint64_t id, const void* header, uint8_t* data, int len) {
  auto h = *static_cast<const usb_redir_control_packet_header*>(header);
  const bool in = (h.endpoint & 0x80) != 0;
  TransferResult r{TransferStatus::kIoError, {}};
  if (deviceConnected_) {
    const SetupPacket setup{h.requesttype, h.request, h.value, h.index, h.length};
    const std::span<const uint8_t> out(data, in || data == nullptr ? 0 : static_cast<size_t>(len));
    const bool setReport = !in && h.requesttype == 0x21 && h.request == 0x09;
    r = device_.Control(setup, out);
    if (setReport && r.status == TransferStatus::kOk) CountOutputReport();
  }
  if (data != nullptr) usbredirparser_free_packet_data(parser_, data);
  h.status = StatusOf(r.status);
  if (in) {
    h.length = static_cast<uint16_t>(r.status == TransferStatus::kOk ? r.data.size() : 0);
    usbredirparser_send_control_packet(parser_, id, &h, r.data.empty() ? nullptr : r.data.data(),
                                       h.length);
  } else {
    if (r.status != TransferStatus::kOk) h.length = 0;
    usbredirparser_send_control_packet(parser_, id, &h, nullptr, 0);
  }
}

void UsbRedirFront::OnInterrupt(uint64_t id, const void* header, uint8_t* data, int len) {
  auto h = *static_cast<const usb_redir_interrupt_packet_header*>(header);
  TransferResult r{TransferStatus::kIoError, {}};
  if (deviceConnected_ && h.endpoint == kEndpointOut) {
    r = device_.InterruptOut(std::span<const uint8_t>(data, data == nullptr ? 0 : static_cast<size_t>(len)));
    if (r.status == TransferStatus::kOk) CountOutputReport();
  } else if (h.endpoint & 0x80) {
    r.status = TransferStatus::kStall;  // IN data comes by interrupt receiving only
  }
  if (data != nullptr) usbredirparser_free_packet_data(parser_, data);
  h.status = StatusOf(r.status);
  if (r.status != TransferStatus::kOk) h.length = 0;
  usbredirparser_send_interrupt_packet(parser_, id, &h, nullptr, 0);
}

void UsbRedirFront::OnBulk(uint64_t id, const void* header, uint8_t* data, int) {
  auto h = *static_cast<const usb_redir_bulk_packet_header*>(header);
  if (data != nullptr) usbredirparser_free_packet_data(parser_, data);
  h.status = usb_redir_inval;  // the board has no bulk endpoints
  h.length = 0;
  h.length_high = 0;
  usbredirparser_send_bulk_packet(parser_, id, &h, nullptr, 0);
}

void UsbRedirFront::OnStartInterrupt(uint64_t id, uint8_t endpoint) {
  usb_redir_interrupt_receiving_status_header st{usb_redir_inval, endpoint};
  if (deviceConnected_ && endpoint == kEndpointIn) {
    receiving_ = true;
    st.status = usb_redir_success;
  }
  usbredirparser_send_interrupt_receiving_status(parser_, id, &st);
}

void UsbRedirFront::OnStopInterrupt(uint64_t id, uint8_t endpoint) {
  if (endpoint == kEndpointIn) receiving_ = false;
  usb_redir_interrupt_receiving_status_header st{usb_redir_success, endpoint};
  usbredirparser_send_interrupt_receiving_status(parser_, id, &st);
}

void UsbRedirFront::OnSetConfiguration(uint64_t id, uint8_t configuration) {
  const auto r = device_.Control({0x00, 0x09, configuration, 0, 0}, {});
  usb_redir_configuration_status_header st{StatusOf(r.status), device_.Configuration()};
  usbredirparser_send_configuration_status(parser_, id, &st);
}

void UsbRedirFront::OnGetConfiguration(uint64_t id) {
  usb_redir_configuration_status_header st{usb_redir_success, device_.Configuration()};
  usbredirparser_send_configuration_status(parser_, id, &st);
}

void UsbRedirFront::OnSetAltSetting(uint64_t id, uint8_t interface, uint8_t alt) {
  const bool ok = interface == 0 && alt == 0;
  usb_redir_alt_setting_status_header st{ok ? uint8_t{usb_redir_success} : uint8_t{usb_redir_inval},
                                         interface, 0};
  usbredirparser_send_alt_setting_status(parser_, id, &st);
}

void UsbRedirFront::OnGetAltSetting(uint64_t id, uint8_t interface) {
  usb_redir_alt_setting_status_header st{
      interface == 0 ? uint8_t{usb_redir_success} : uint8_t{usb_redir_inval}, interface, 0};
  usbredirparser_send_alt_setting_status(parser_, id, &st);
}

void UsbRedirFront::CountOutputReport() {
  if (plan_.afterReports < 0 || ++outputReports_ != plan_.afterReports) return;
  std::fprintf(stderr, "velotrack-board: unplugged after %d output reports, back in %d ms\n",
               outputReports_, plan_.forMs);
  unplugged_ = true;
  replugAt_ = Clock::now() + std::chrono::milliseconds(plan_.forMs);
  SendDisconnect();
  device_.Detach();
}

// Keeps the device on the bus exactly while the board is there: a board
// that went away or restarted (its handle died) leaves the bus and comes
// back as a new device, as it would on a real cable.
void UsbRedirFront::FollowBoard() {
  const auto now = Clock::now();
  if (unplugged_) {
    if (now < replugAt_) return;
    unplugged_ = false;
  }
  if (device_.Attached() && device_.Lost()) {
    SendDisconnect();
    device_.Detach();
  }
  if (now < nextCheck_) return;
  if (!device_.Attached()) {
    nextCheck_ = now + std::chrono::milliseconds(kRetryAttachMs);
    device_.Attach(boardPath_);
  } else {
    nextCheck_ = now + std::chrono::milliseconds(kCheckEveryMs);
    device_.CheckAlive();
    if (device_.Lost()) {
      SendDisconnect();
      device_.Detach();
      nextCheck_ = now;
    }
  }
  SendConnect();
}

bool UsbRedirFront::RunOnce(int timeoutMs) {
  pollfd fds[2] = {{listener_.Fd(), POLLIN, 0}, {peerFd_, POLLIN, 0}};
  // Input reports are looked for every millisecond, as the host polls the
  // interrupt endpoint.
  const int wait = receiving_ ? std::min(timeoutMs, 1) : std::min(timeoutMs, kCheckEveryMs);
  const int n = ::poll(fds, peerFd_ >= 0 ? 2 : 1, wait);
  bool busy = n > 0;
  if (n > 0 && (fds[0].revents & POLLIN)) AcceptPeer();
  if (n > 0 && peerFd_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
    if (usbredirparser_do_read(parser_) != 0) DropPeer();
  }
  if (peerFd_ >= 0) {
    if (receiving_ && deviceConnected_) {
      while (auto report = device_.PollInput()) {
        usb_redir_interrupt_packet_header h{kEndpointIn, usb_redir_success,
                                            static_cast<uint16_t>(report->size())};
        usbredirparser_send_interrupt_packet(parser_, nextInputId_++, &h, report->data(),
                                             static_cast<int>(report->size()));
        busy = true;
      }
    }
    FollowBoard();
    FlushPeer();
  } else if (!device_.Attached() || device_.Lost()) {
    FollowBoard();
  }
  return busy;
}

}  // namespace vt::sim::usb
