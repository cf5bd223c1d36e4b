// The usbredir side as QEMU's usb-redir device sees it: a guest-side parser
// talks to the front over a real socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <map>

#include "sim/usb/usbredir_front.h"
#include "tests/sim/host_reports.h"

namespace vt::sim::usb {
namespace {

// What the guest side has seen.
struct Guest {
  int fd = -1;
  usbredirparser* parser = nullptr;
  bool connected = false;
  int disconnects = 0;
  usb_redir_device_connect_header connect{};
  usb_redir_ep_info_header ep{};
  std::map<uint64_t, std::pair<uint8_t, std::vector<uint8_t>>> control;  // id -> status, data
  std::map<uint64_t, uint8_t> interruptOut;                              // id -> status
  std::vector<std::vector<uint8_t>> interruptIn;
};

Guest* G(void* p) { return static_cast<Guest*>(p); }

class UsbRedirFrontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = backend.AddBoard(BoardConfig::Legacy());
    ASSERT_TRUE(device.Attach());
    ListenAddress a;
    a.host = "127.0.0.1";
    std::string error;
    ASSERT_TRUE(front.Listen(a, &error)) << error;
    guest.fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(front.Port());
    ::inet_pton(AF_INET, "127.0.0.1", &sa.sin_addr);
    ASSERT_EQ(::connect(guest.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ::fcntl(guest.fd, F_SETFL, O_NONBLOCK);
    auto* p = guest.parser = usbredirparser_create();
    p->priv = &guest;
    p->read_func = [](void* g, uint8_t* d, int n) {
      const ssize_t r = ::recv(G(g)->fd, d, static_cast<size_t>(n), 0);
      return r > 0 ? static_cast<int>(r) : (r < 0 && errno == EAGAIN ? 0 : -1);
    };
    p->write_func = [](void* g, uint8_t* d, int n) {
      return static_cast<int>(::send(G(g)->fd, d, static_cast<size_t>(n), MSG_NOSIGNAL));
    };
    p->device_connect_func = [](void* g, usb_redir_device_connect_header* h) {
      G(g)->connected = true;
      G(g)->connect = *h;
    };
    p->device_disconnect_func = [](void* g) {
      G(g)->connected = false;
      ++G(g)->disconnects;
    };
    p->log_func = [](void*, int, const char*) {};
    p->hello_func = [](void*, usb_redir_hello_header*) {};
    p->interface_info_func = [](void*, usb_redir_interface_info_header*) {};
    p->configuration_status_func = [](void*, uint64_t, usb_redir_configuration_status_header*) {};
    p->alt_setting_status_func = [](void*, uint64_t, usb_redir_alt_setting_status_header*) {};
    p->interrupt_receiving_status_func = [](void*, uint64_t,
                                            usb_redir_interrupt_receiving_status_header*) {};
    p->ep_info_func = [](void* g, usb_redir_ep_info_header* h) { G(g)->ep = *h; };
    p->control_packet_func = [](void* g, uint64_t id, usb_redir_control_packet_header* h,
                                uint8_t* d, int n) {
      G(g)->control[id] = {h->status, std::vector<uint8_t>(d, d + n)};
      if (d != nullptr) usbredirparser_free_packet_data(G(g)->parser, d);
    };
    p->interrupt_packet_func = [](void* g, uint64_t id, usb_redir_interrupt_packet_header* h,
                                  uint8_t* d, int n) {
      if (h->endpoint & 0x80) {
        G(g)->interruptIn.emplace_back(d, d + n);
      } else {
        G(g)->interruptOut[id] = h->status;
      }
      if (d != nullptr) usbredirparser_free_packet_data(G(g)->parser, d);
    };
    uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
    for (int c : {usb_redir_cap_connect_device_version, usb_redir_cap_ep_info_max_packet_size,
                  usb_redir_cap_64bits_ids, usb_redir_cap_32bits_bulk_length}) {
      usbredirparser_caps_set_cap(caps, c);
    }
    char version[] = "test guest";
    usbredirparser_init(p, version, caps, USB_REDIR_CAPS_SIZE, 0);
  }
  void TearDown() override {
    if (guest.parser != nullptr) usbredirparser_destroy(guest.parser);
    if (guest.fd >= 0) ::close(guest.fd);
  }
  // Lets both sides run until `done` holds or a bounded number of rounds passed.
  template <typename F>
  bool Pump(F done) {
    for (int i = 0; i < 500; ++i) {
      while (usbredirparser_has_data_to_write(guest.parser) > 0) usbredirparser_do_write(guest.parser);
      front.RunOnce(2);
      usbredirparser_do_read(guest.parser);
      if (done()) return true;
    }
    return false;
  }
  uint64_t Control(uint8_t type, uint8_t request, uint16_t value, uint16_t length,
                   std::vector<uint8_t> out = {}) {
    usb_redir_control_packet_header h{static_cast<uint8_t>(type & 0x80), request, type, 0,
                                      value, 0, length};
    const uint64_t id = nextId++;
    usbredirparser_send_control_packet(guest.parser, id, &h, out.empty() ? nullptr : out.data(),
                                       static_cast<int>(out.size()));
    EXPECT_TRUE(Pump([&] { return guest.control.count(id) > 0; }));
    return id;
  }

  platform::VirtualClock clock;
  VirtualHidBackend backend{clock};
  UsbBoardDevice device{backend, true};
  UsbRedirFront front{device, ""};
  Guest guest;
  std::string path;
  uint64_t nextId = 1;
};

TEST_F(UsbRedirFrontTest, AnnouncesTheBoardAndAnswersControlTransfers) {
  ASSERT_TRUE(Pump([&] { return guest.connected; }));
  EXPECT_EQ(guest.connect.vendor_id, BoardConfig::Legacy().vendorId);
  EXPECT_EQ(guest.connect.product_id, BoardConfig::Legacy().productId);
  EXPECT_EQ(guest.connect.device_version_bcd, BoardConfig::Legacy().version);
  EXPECT_EQ(guest.ep.type[17], usb_redir_type_interrupt);  // endpoint 0x81
  EXPECT_EQ(guest.ep.type[1], usb_redir_type_interrupt);   // endpoint 0x01
  EXPECT_EQ(guest.ep.interval[17], 1);

  const auto dev = Control(0x80, 0x06, 0x0100, 64);
  EXPECT_EQ(guest.control[dev].first, usb_redir_success);
  EXPECT_EQ(guest.control[dev].second.size(), 18u);
  const auto vendor = Control(0xC0, 0x01, 0, 8);
  EXPECT_EQ(guest.control[vendor].first, usb_redir_stall);
  EXPECT_TRUE(guest.control[vendor].second.empty());
}

TEST_F(UsbRedirFrontTest, OutputReportGoesOutAndTheReplyComesBackByInterrupt) {
  ASSERT_TRUE(Pump([&] { return guest.connected; }));
  usb_redir_start_interrupt_receiving_header start{kEndpointIn};
  usbredirparser_send_start_interrupt_receiving(guest.parser, nextId++, &start);
  auto report = testing::CommandReport(33, 0x42, 0x28, 0x24);
  std::vector<uint8_t> payload(report.begin() + 1, report.end());
  usb_redir_interrupt_packet_header h{kEndpointOut, 0, static_cast<uint16_t>(payload.size())};
  const uint64_t id = nextId++;
  usbredirparser_send_interrupt_packet(guest.parser, id, &h, payload.data(),
                                       static_cast<int>(payload.size()));
  ASSERT_TRUE(Pump([&] { return guest.interruptOut.count(id) && !guest.interruptIn.empty(); }));
  EXPECT_EQ(guest.interruptOut[id], usb_redir_success);
  ASSERT_EQ(guest.interruptIn[0].size(), 32u);
  EXPECT_EQ(guest.interruptIn[0][4], 0x42);
}

TEST_F(UsbRedirFrontTest, ABoardThatLeavesIsUnpluggedAndPluggedBackWhenItReturns) {
  ASSERT_TRUE(Pump([&] { return guest.connected; }));
  backend.RemoveBoard(path);
  ASSERT_TRUE(Pump([&] { return !guest.connected; }));
  // Transfers to a device that left fail; nothing crashes.
  const auto dev = Control(0x80, 0x06, 0x0100, 18);
  EXPECT_NE(guest.control[dev].first, usb_redir_success);
  backend.AddBoard(BoardConfig::VariantR());
  ASSERT_TRUE(Pump([&] { return guest.connected; }));
  EXPECT_EQ(guest.disconnects, 1);
  EXPECT_EQ(guest.connect.vendor_id, BoardConfig::VariantR().vendorId);
}

}  // namespace
}  // namespace vt::sim::usb
