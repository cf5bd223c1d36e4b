// The board served over the wire protocol, spoken to by a small client.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "host_reports.h"
#include "platform/remote/wire_format.h"
#include "platform/sockets/socket_os.h"
#include "sim/wire/wire_server.h"

namespace vt::sim {
namespace {

namespace sockets = platform::sockets;

#ifdef _WIN32
SOCKET Native(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }
// Wine has no Unix sockets: the Windows build speaks over loopback TCP,
// as Windows users are told to.
constexpr bool kOverTcp = true;
#else
int Native(int fd) { return fd; }
constexpr bool kOverTcp = false;
#endif

struct Body {
  std::vector<uint8_t> b;
  Body& U8(uint8_t v) { b.push_back(v); return *this; }
  Body& U16(uint16_t v) { U8(static_cast<uint8_t>(v)); return U8(static_cast<uint8_t>(v >> 8)); }
  Body& U32(uint32_t v) { U16(static_cast<uint16_t>(v)); return U16(static_cast<uint16_t>(v >> 16)); }
  Body& Bytes(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
  Body& Text(const std::string& s) { U16(static_cast<uint16_t>(s.size())); return Bytes({s.begin(), s.end()}); }
};

struct Cursor {
  std::vector<uint8_t> b;
  size_t at = 0;
  uint8_t U8() { return b.at(at++); }
  uint16_t U16() { const uint16_t lo = U8(); return static_cast<uint16_t>(lo | U8() << 8); }
  uint32_t U32() { const uint32_t lo = U16(); return lo | uint32_t{U16()} << 16; }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> out(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
    at += n;
    return out;
  }
};

// Server and client in one thread: the client's requests are small enough
// to sit in the socket buffer while the server runs one round at a time.
class WireServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vt_sim_wire_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    socketPath_ = (dir_ / "board.sock").string();
    path_ = backend_.AddBoard(BoardConfig::Standard('W'));
    std::string error;
    auto address = ParseListenAddress(kOverTcp ? "tcp:127.0.0.1:0" : "unix:" + socketPath_, &error);
    ASSERT_TRUE(address) << error;
    ASSERT_TRUE(server_.Listen(*address, &error)) << error;
    fd_ = Connect();
  }
  void TearDown() override {
    if (fd_ >= 0) sockets::CloseSocket(fd_);
    server_.Shutdown();
    std::filesystem::remove_all(dir_);
  }

  int Connect() {
    if (kOverTcp) {
      const int fd = sockets::OpenStream(AF_INET);
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      sa.sin_port = htons(server_.Port());
      EXPECT_EQ(::connect(Native(fd), reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
      server_.RunOnce(100);  // accept
      return fd;
    }
    const int fd = sockets::OpenStream(AF_UNIX);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, socketPath_.c_str(), sizeof sa.sun_path - 1);
    EXPECT_EQ(::connect(Native(fd), reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    server_.RunOnce(100);  // accept
    return fd;
  }

  void SendFrame(int fd, const std::vector<uint8_t>& body, uint32_t declared) {
    Body frame;
    frame.U32(declared).Bytes(body);
    ASSERT_EQ(sockets::SendSome(fd, frame.b.data(), frame.b.size()), static_cast<long>(frame.b.size()));
  }

  // Runs the server until the client has a whole response frame; empty when
  // the server closed the connection instead.
  std::vector<uint8_t> Receive(int fd) {
    std::vector<uint8_t> in;
    for (int round = 0; round < 50; ++round) {
      server_.RunOnce(10);
      pollfd p = sockets::MakePollFd(fd, POLLIN);
      while (sockets::PollSockets(&p, 1, 0) == 1) {
        uint8_t buf[4096];
        const long n = sockets::RecvSome(fd, buf, sizeof buf);
        if (n <= 0) return {};
        in.insert(in.end(), buf, buf + n);
      }
      if (in.size() >= 4) {
        Cursor c{in};
        const uint32_t len = c.U32();
        if (in.size() >= 4 + len) return {in.begin() + 4, in.begin() + 4 + len};
      }
    }
    ADD_FAILURE() << "no response";
    return {};
  }

  std::vector<uint8_t> Exchange(const Body& body) {
    SendFrame(fd_, body.b, static_cast<uint32_t>(body.b.size()));
    return Receive(fd_);
  }

  uint32_t OpenBoard() {
    const auto r = Exchange(Body().U8(0x02).Text(path_));
    Cursor c{r};
    EXPECT_EQ(c.I32(), 0);
    return c.U32();
  }

  platform::VirtualClock clock_;
  VirtualHidBackend backend_{clock_};
  WireServer server_{backend_};
  std::filesystem::path dir_;
  std::string socketPath_;
  std::string path_;
  int fd_ = -1;
};

TEST_F(WireServerTest, EnumerateDescribesTheBoard) {
  const auto r = Exchange(Body().U8(0x01));
  Cursor c{r};
  EXPECT_EQ(c.I32(), 0);
  ASSERT_EQ(c.U8(), 1);
  const uint16_t len = c.U16();
  const auto path = c.Bytes(len);
  EXPECT_EQ(std::string(path.begin(), path.end()), path_);
  EXPECT_EQ(c.U16(), 0x16C0);
  EXPECT_EQ(c.U16(), 0xC35C);
  EXPECT_EQ(c.U16(), 0x0520);
  const uint8_t units = c.U8();
  ASSERT_EQ(units, 17);
  EXPECT_EQ(c.U16(), 'W');
  c.at += 2 * (units - 1u);
  EXPECT_EQ(c.U8(), 1);
  EXPECT_EQ(c.U16(), 65);
  EXPECT_EQ(c.U16(), 65);
  EXPECT_EQ(c.U8(), 1);
  EXPECT_EQ(c.at, r.size());
}

TEST_F(WireServerTest, ReportsAndStringsTravelBothWays) {
  const uint32_t h = OpenBoard();
  ASSERT_NE(h, 0u);
  // A command and its reply through string 244.
  auto r = Exchange(Body().U8(0x04).U32(h).U32(500).U16(65).Bytes(
      testing::CommandReport(65, 0x52, 0x28, 0x26)));
  EXPECT_EQ(Cursor{r}.I32(), 0);
  r = Exchange(Body().U8(0x06).U32(h).U8(244).U16(8));
  Cursor c{r};
  EXPECT_EQ(c.I32(), 0);
  ASSERT_EQ(c.U16(), 8);
  EXPECT_EQ(c.Bytes(8)[4], 0x52);

  // Memory read-back: the buffer bounds the answer.
  Exchange(Body().U8(0x04).U32(h).U32(500).U16(65).Bytes(
      testing::FlashReport(65, 0xD0, 0, 0xE0000, testing::Le32Bytes(120))));
  r = Exchange(Body().U8(0x06).U32(h).U8(240).U16(100));
  c = Cursor{r};
  EXPECT_EQ(c.I32(), 0);
  EXPECT_EQ(c.U16(), 100);
  EXPECT_EQ(c.Bytes(100), backend_.Board(0)->Peek(0xE0000, 100));

  // Serial with its terminator; a newer board's input read times out.
  r = Exchange(Body().U8(0x07).U32(h).U16(255));
  c = Cursor{r};
  EXPECT_EQ(c.I32(), 0);
  EXPECT_EQ(c.U16(), 36);
  r = Exchange(Body().U8(0x05).U32(h).U32(200).U16(65));
  c = Cursor{r};
  EXPECT_EQ(c.I32(), 0x102);
  EXPECT_EQ(c.U16(), 0);

  r = Exchange(Body().U8(0x03).U32(h));
  EXPECT_EQ(Cursor{r}.I32(), 0);
  r = Exchange(Body().U8(0x06).U32(h).U8(244).U16(8));
  c = Cursor{r};
  EXPECT_EQ(c.I32(), -1) << "closed handle";
  EXPECT_EQ(c.U16(), 0);
}

TEST_F(WireServerTest, BadRequestsFailWithoutHarm) {
  EXPECT_EQ(Exchange(Body().U8(0x7E)), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  // A write whose declared report length runs past the body.
  const uint32_t h = OpenBoard();
  auto r = Exchange(Body().U8(0x04).U32(h).U32(500).U16(65).Bytes({0, 0, 0}));
  EXPECT_EQ(Cursor{r}.I32(), -1);
  // A handle the client never opened.
  r = Exchange(Body().U8(0x07).U32(h + 7).U16(255));
  EXPECT_EQ(Cursor{r}.I32(), -1);
  // Closing it, or closing one twice, fails; closing our own succeeds once.
  EXPECT_EQ(Cursor{Exchange(Body().U8(0x03).U32(h + 7))}.I32(), -1);
  EXPECT_EQ(Cursor{Exchange(Body().U8(0x03).U32(h))}.I32(), 0);
  EXPECT_EQ(Cursor{Exchange(Body().U8(0x03).U32(h))}.I32(), -1);
  EXPECT_EQ(Cursor{Exchange(Body().U8(0x03).U16(1))}.I32(), -1) << "truncated";
  r = Exchange(Body().U8(0x02).Text("virtual:99"));
  Cursor c{r};
  EXPECT_EQ(c.I32(), -1);
  EXPECT_EQ(c.U32(), 0u);
  EXPECT_EQ(server_.Clients(), 1u);
}

TEST_F(WireServerTest, OversizedFramesAndDisconnectsCloseTheClientsHandles) {
  OpenBoard();
  const int other = Connect();
  SendFrame(other, {}, 0);  // empty body: unknown opcode, still answered
  EXPECT_EQ(Receive(other).size(), 4u);
  ASSERT_EQ(backend_.OpenHandles(), 1u);
  SendFrame(fd_, {0x01}, platform::remote::kMaxFrameBody + 1);
  EXPECT_TRUE(Receive(fd_).empty()) << "connection dropped";
  EXPECT_EQ(backend_.OpenHandles(), 0u);
  EXPECT_EQ(server_.Clients(), 1u);
  sockets::CloseSocket(other);
  server_.RunOnce(10);
  EXPECT_EQ(server_.Clients(), 0u);
}

TEST(WireAddress, OnlyLoopbackAndWellFormedAddressesAreServed) {
  std::string error;
  auto a = ParseListenAddress("tcp:127.0.0.1:4700", &error);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->port, 4700);
  EXPECT_TRUE(ParseListenAddress("tcp:localhost:0", &error));
  EXPECT_FALSE(ParseListenAddress("tcp:0.0.0.0:4700", &error));
  EXPECT_FALSE(ParseListenAddress("tcp:192.168.1.5:4700", &error));
  EXPECT_FALSE(ParseListenAddress("tcp:127.0.0.1:70000", &error));
  EXPECT_FALSE(ParseListenAddress("tcp:127.0.0.1", &error));
  EXPECT_FALSE(ParseListenAddress("udp:127.0.0.1:1", &error));
  EXPECT_FALSE(ParseListenAddress("unix:", &error));
}

TEST(WireUnix, NeverDeletesAFileThatIsNotASocket) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("vt_sim_not_a_socket_" + std::to_string(::getpid()));
  { std::ofstream(file) << "keep me"; }
  platform::VirtualClock clock;
  VirtualHidBackend backend(clock);
  WireServer server(backend);
  std::string error;
  EXPECT_FALSE(server.Listen(*ParseListenAddress("unix:" + file.string(), &error), &error));
  server.Shutdown();
  EXPECT_TRUE(std::filesystem::exists(file));
  std::filesystem::remove(file);
}

TEST(WireTcp, ServesOnAnEphemeralLoopbackPort) {
  platform::VirtualClock clock;
  VirtualHidBackend backend(clock);
  backend.AddBoard(BoardConfig::VariantR());
  WireServer server(backend);
  std::string error;
  ASSERT_TRUE(server.Listen(*ParseListenAddress("tcp:127.0.0.1:0", &error), &error)) << error;
  EXPECT_NE(server.Port(), 0);
}

}  // namespace
}  // namespace vt::sim
