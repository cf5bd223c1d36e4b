#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "fake_server.h"
#include "platform/clock.h"
#include "platform/remote/remote_hid_backend.h"
#include "platform/sockets/socket_os.h"

namespace {

using namespace vt::platform;
using vt::platform::remote::RemoteHidBackend;
using Bytes = std::vector<uint8_t>;

Bytes Result(int32_t r) {
  Bytes b;
  FakeServer::Le32(b, static_cast<uint32_t>(r));
  return b;
}

Bytes WithData(int32_t r, const Bytes& data) {
  Bytes b = Result(r);
  FakeServer::Le16(b, static_cast<uint16_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// A well-behaved board behind the fake server: handle 5, string replies of
// `stringData`, writes answered with `writeResult`. Records the last request.
struct ScriptedBoard {
  Bytes stringData{1, 2, 3, 4};
  std::atomic<int> writeResult{0};
  std::mutex mu;
  Bytes lastRequest;

  std::optional<Bytes> operator()(const Bytes& req) {
    {
      std::lock_guard lock(mu);
      lastRequest = req;
    }
    switch (req.at(0)) {
      case 0x01: {
        Bytes b = Result(0);
        b.push_back(1);
        FakeServer::Le16(b, 4);
        b.insert(b.end(), {'h', 'i', 'd', '0'});
        for (int v : {0x16C0, 0xC35C, 0x0502}) FakeServer::Le16(b, static_cast<uint16_t>(v));
        b.push_back(0);
        b.push_back(1);
        FakeServer::Le16(b, 65);
        FakeServer::Le16(b, 65);
        b.push_back(1);
        return FakeServer::Frame(b);
      }
      case 0x02: {
        Bytes b = Result(0);
        FakeServer::Le32(b, 5);
        return FakeServer::Frame(b);
      }
      case 0x03:
        return FakeServer::Frame(Result(0));
      case 0x04:
        return FakeServer::Frame(Result(writeResult));
      default:
        return FakeServer::Frame(WithData(0, stringData));
    }
  }
};

class RemoteBackendTest : public ::testing::Test {
 protected:
  ScriptedBoard board;
  FakeServer server{[this](const Bytes& r) { return board(r); }};
  VirtualClock clock;
  RemoteHidBackend hid{server.Address(), &clock, std::chrono::milliseconds(300)};
};

TEST_F(RemoteBackendTest, PrimitivesRoundTrip) {
  ASSERT_TRUE(hid.Load());
  const auto devices = hid.Enumerate();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].path, "hid0");

  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("hid0", &h), kWaitOk);
  EXPECT_NE(h, kInvalidHidHandle);

  const uint8_t report[3] = {0, 0x41, 0x26};
  EXPECT_EQ(hid.Write(h, report, 500), kWaitOk);
  {
    std::lock_guard lock(board.mu);
    // Our handle maps to the server's handle 5.
    EXPECT_EQ(board.lastRequest, (Bytes{0x04, 5, 0, 0, 0, 0xF4, 1, 0, 0, 3, 0, 0, 0x41, 0x26}));
  }

  uint8_t buf[8] = {};
  size_t got = 0;
  EXPECT_EQ(hid.GetIndexedString(h, 244, buf, &got), kWaitOk);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(buf[3], 4);
  EXPECT_EQ(hid.Read(h, buf, 200, &got), kWaitOk);
  EXPECT_EQ(hid.GetSerial(h, buf, &got), kWaitOk);

  hid.Close(h);
  EXPECT_EQ(hid.Write(h, report, 500), kWaitFailed);  // closed handles are gone
}

TEST_F(RemoteBackendTest, ReplyLongerThanTheBufferIsRefusedWithoutOverrun) {
  board.stringData = Bytes(16, 0xAB);
  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("hid0", &h), kWaitOk);
  // Guard bytes after the 8-byte buffer must stay untouched.
  uint8_t buf[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  size_t got = 99;
  EXPECT_EQ(hid.GetIndexedString(h, 244, std::span<uint8_t>(buf, 8), &got), kWaitFailed);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(buf[8], 0xEE);
  EXPECT_EQ(hid.Read(h, std::span<uint8_t>(buf, 8), 200, &got), kWaitFailed);
  EXPECT_EQ(buf[8], 0xEE);
}

TEST_F(RemoteBackendTest, RunOutWaitIsChargedToTheClock) {
  board.writeResult = kWaitTimeout;
  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("hid0", &h), kWaitOk);
  const uint8_t report[1] = {0};
  EXPECT_EQ(hid.Write(h, report, 2600), kWaitTimeout);
  EXPECT_EQ(clock.ElapsedMs(), 2600u);
  board.writeResult = 12345;  // not a result the protocol knows
  EXPECT_EQ(hid.Write(h, report, 500), kWaitFailed);
}

// A server that breaks the link on the Nth request it sees, in the way given.
class BreakingServer {
 public:
  enum class Fault { kHangUp, kOversizedFrame, kSilence };
  BreakingServer(Fault fault, int breakAt) : fault_(fault), breakAt_(breakAt) {}
  std::optional<Bytes> operator()(const Bytes& req) {
    if (++seen_ == breakAt_) {
      switch (fault_) {
        case Fault::kHangUp:
          return std::nullopt;
        case Fault::kOversizedFrame:
          return Bytes{0x01, 0x00, 0x01, 0x00};  // 65537 announced
        case Fault::kSilence:
          return Bytes{};  // nothing is sent; the client must give up
      }
    }
    return board_(req);
  }

 private:
  Fault fault_;
  int breakAt_;
  std::atomic<int> seen_{0};
  ScriptedBoard board_;
};

class RemoteBreakTest : public ::testing::TestWithParam<BreakingServer::Fault> {};

TEST_P(RemoteBreakTest, BrokenLinkDropsHandlesUntilReconnect) {
  // Request 1: OPEN, request 2: the WRITE that breaks.
  auto breaking = std::make_shared<BreakingServer>(GetParam(), 2);
  FakeServer server([breaking](const Bytes& r) { return (*breaking)(r); });
  RemoteHidBackend hid(server.Address(), nullptr, std::chrono::milliseconds(100));

  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("hid0", &h), kWaitOk);
  const uint8_t report[1] = {0};
  EXPECT_EQ(hid.Write(h, report, 500), kWaitFailed);
  EXPECT_FALSE(hid.Connected());
  // The failure is the server's, and says which way it failed.
  const std::string expected[] = {
      "Board server connection lost: " + server.Address() + " (the server closed the connection)",
      "Board server protocol error: " + server.Address() + " (answer of 65537 bytes announced)",
      "Board server timed out: " + server.Address() + " (no answer within 100 ms)"};
  EXPECT_EQ(hid.StackError(), expected[static_cast<int>(GetParam())]);

  // Without a reconnect every primitive fails.
  uint8_t buf[8];
  size_t got = 0;
  EXPECT_EQ(hid.GetIndexedString(h, 244, buf, &got), kWaitFailed);

  // Enumerate connects again; the old handle stays dead even though the
  // server hands out the same number again.
  EXPECT_EQ(hid.Enumerate().size(), 1u);
  EXPECT_TRUE(hid.Connected());
  EXPECT_EQ(hid.StackError(), "");
  EXPECT_EQ(hid.Write(h, report, 500), kWaitFailed);
  HidHandle h2 = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("hid0", &h2), kWaitOk);
  EXPECT_NE(h2, h);
  EXPECT_EQ(hid.Write(h2, report, 500), kWaitOk);
  EXPECT_EQ(server.Connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(Faults, RemoteBreakTest,
                         ::testing::Values(BreakingServer::Fault::kHangUp,
                                           BreakingServer::Fault::kOversizedFrame,
                                           BreakingServer::Fault::kSilence));

TEST(RemoteBackend, UnreachableOrBadAddressFailsCleanly) {
  RemoteHidBackend bad("tcp:nohost");
  EXPECT_FALSE(bad.AddressValid());
  EXPECT_FALSE(bad.Load());
  RemoteHidBackend absent("unix:/nonexistent/dir/board.sock");
  EXPECT_TRUE(absent.AddressValid());
  EXPECT_TRUE(absent.Load());  // the server may come later
  EXPECT_FALSE(absent.Connected());
  EXPECT_TRUE(absent.Enumerate().empty());
  HidHandle h = 77;
  EXPECT_EQ(absent.Open("x", &h), kWaitFailed);
  EXPECT_EQ(h, kInvalidHidHandle);
#ifdef _WIN32
  // Windows says why in its own words (without Unix sockets, that it has none).
  EXPECT_EQ(absent.StackError().rfind("Board server unreachable: unix:/nonexistent/dir/board.sock (", 0), 0u)
      << absent.StackError();
  EXPECT_EQ(absent.StackError().find("socket error"), std::string::npos) << absent.StackError();
#else
  EXPECT_EQ(absent.StackError(),
            "Board server unreachable: unix:/nonexistent/dir/board.sock (no such file or directory)");
#endif
}

TEST(RemoteBackend, RefusedPortAndForeignAnswersAreNamed) {
  // A loopback port nobody listens on: bound once, then released.
  const int probe = sockets::OpenStream(AF_INET);
#ifdef _WIN32
  const auto native = static_cast<SOCKET>(static_cast<unsigned>(probe));
#else
  const int native = probe;
#endif
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(native, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  socklen_t len = sizeof sa;
  getsockname(native, reinterpret_cast<sockaddr*>(&sa), &len);
  sockets::CloseSocket(probe);
  const std::string address = "tcp:127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
  RemoteHidBackend refused(address);
  EXPECT_TRUE(refused.Enumerate().empty());
  EXPECT_EQ(refused.StackError(), "Board server unreachable: " + address + " (connection refused)");

  // Something that frames its answers but does not speak the protocol.
  FakeServer foreign([](const Bytes&) { return FakeServer::Frame({1, 2}); });
  RemoteHidBackend confused(foreign.Address(), nullptr, std::chrono::milliseconds(500));
  EXPECT_TRUE(confused.Enumerate().empty());
  EXPECT_EQ(confused.StackError(),
            "Board server protocol error: " + foreign.Address() + " (malformed answer to ENUMERATE)");
  EXPECT_FALSE(confused.Connected()) << "nothing after a foreign answer can be trusted";
}

TEST(SocketAddress, ParsesTcpAndUnixForms) {
  using vt::platform::remote::ParseSocketAddress;
  const auto tcp = ParseSocketAddress("tcp:127.0.0.1:4242");
  ASSERT_TRUE(tcp);
  EXPECT_EQ(tcp->host, "127.0.0.1");
  EXPECT_EQ(tcp->port, "4242");
  const auto v6 = ParseSocketAddress("tcp:[::1]:80");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, "::1");
  EXPECT_EQ(ParseSocketAddress("unix:/tmp/b.sock")->path, "/tmp/b.sock");
  EXPECT_FALSE(ParseSocketAddress("tcp:host:0"));
  EXPECT_FALSE(ParseSocketAddress("tcp:host:65536"));
  EXPECT_FALSE(ParseSocketAddress("tcp:host:12a"));
  EXPECT_FALSE(ParseSocketAddress("unix:"));
  EXPECT_FALSE(ParseSocketAddress("unix:" + std::string(200, 'x')));
  EXPECT_FALSE(ParseSocketAddress("udp:1.2.3.4:5"));
}

}  // namespace
