#include <gtest/gtest.h>

#include "board_server_process.h"
#include "platform/remote/remote_hid_backend.h"

#ifdef VT_BOARD_SERVER

namespace {

using namespace vt::platform;
using vt::platform::remote::RemoteHidBackend;

TEST(RemoteAgainstBoardServer, PrimitivesReachTheServedBoard) {
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", "tcp:127.0.0.1:0", "--preset", "r"});
  ASSERT_FALSE(server.Address().empty());
  RemoteHidBackend hid(server.Address());
  ASSERT_TRUE(hid.Load());
  const auto devices = hid.Enumerate();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].serial.substr(0, 1), u"R");
  EXPECT_TRUE(devices[0].capsValid);

  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open(devices[0].path, &h), kWaitOk);
  uint8_t serial[255];
  size_t got = 0;
  ASSERT_EQ(hid.GetSerial(h, serial, &got), kWaitOk);
  // Units of the enumerated serial, then the terminator.
  ASSERT_EQ(got, 2 * devices[0].serial.size() + 2);
  EXPECT_EQ(serial[0], 'R');
  EXPECT_EQ(serial[got - 1], 0);

  // A memory read: read command 0xD0 for 4 bytes at 0, then the read-back.
  std::vector<uint8_t> report(devices[0].outputReportLength, 0);
  report[3] = 0xD0;
  report[9] = 4;
  ASSERT_EQ(hid.Write(h, report, 2600), kWaitOk);
  uint8_t back[512];
  EXPECT_EQ(hid.GetIndexedString(h, 240, back, &got), kWaitOk);
  EXPECT_GE(got, 4u);
  EXPECT_LE(got, sizeof back);
  hid.Close(h);

  EXPECT_EQ(hid.Open("no-such-board", &h), kWaitFailed);
}

TEST(RemoteAgainstBoardServer, ServerGoingAwayFailsEveryPrimitive) {
  auto server = std::make_unique<BoardServerProcess>(
      VT_BOARD_SERVER, std::vector<std::string>{"serve", "--listen", "tcp:127.0.0.1:0"});
  ASSERT_FALSE(server->Address().empty());
  RemoteHidBackend hid(server->Address(), nullptr, std::chrono::milliseconds(1000));
  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open(hid.Enumerate().at(0).path, &h), kWaitOk);
  server->Stop();
  const uint8_t report[65] = {};
  EXPECT_EQ(hid.Write(h, report, 500), kWaitFailed);
  uint8_t buf[8];
  size_t got = 0;
  EXPECT_EQ(hid.GetIndexedString(h, 244, buf, &got), kWaitFailed);
  EXPECT_TRUE(hid.Enumerate().empty());
  EXPECT_FALSE(hid.Connected());
}

}  // namespace

#endif
