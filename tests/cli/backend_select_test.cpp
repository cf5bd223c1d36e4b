#include <gtest/gtest.h>

#include <sstream>

#include "app/board_address.h"
#include "app/board_backend.h"
#include "platform/tracing/tracing_hid_backend.h"
#include "sim/hid/virtual_hid_backend.h"

namespace {

using namespace vt::platform;
using namespace vt::app;

TEST(BoardAddress, ParsesEveryForm) {
  std::string error;
  EXPECT_EQ(ParseBoardAddress("auto", &error)->kind, BoardAddress::Kind::kAuto);
  const auto plain = ParseBoardAddress("virtual", &error);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->kind, BoardAddress::Kind::kVirtual);
  EXPECT_EQ(plain->preset, "standard");
  const auto full = ParseBoardAddress("virtual:r,file=/tmp/f.bin,latency=3", &error);
  ASSERT_TRUE(full) << error;
  EXPECT_EQ(full->preset, "r");
  EXPECT_EQ(full->flashFile, "/tmp/f.bin");
  EXPECT_EQ(full->latencyMs, 3u);
  EXPECT_EQ(ParseBoardAddress("tcp:127.0.0.1:5000", &error)->kind, BoardAddress::Kind::kTcp);
  EXPECT_EQ(ParseBoardAddress("unix:/run/b.sock", &error)->kind, BoardAddress::Kind::kUnix);
  // The same preset twice names one board, so it is no conflict.
  EXPECT_EQ(ParseBoardAddress("virtual:r,r", &error)->preset, "r");
}

TEST(BoardAddress, RefusesWhatItCannotUseWithAReason) {
  for (const char* bad : {"", "usb", "virtual:warp", "virtual:file=", "virtual:latency=x",
                          "tcp:localhost", "tcp:host:99999", "unix:",
                          "virtual:r,ab", "virtual:standard,file=/tmp/f,r"}) {
    std::string error;
    EXPECT_FALSE(ParseBoardAddress(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(error.find('\n'), std::string::npos) << bad;
  }
}

TEST(BoardBackend, VirtualAddressBuildsTheNamedBoardOnVirtualTime) {
  std::string error;
  auto backend = MakeBoardBackend(*ParseBoardAddress("virtual:legacy", &error), nullptr, &error);
  ASSERT_TRUE(backend) << error;
  ASSERT_NE(backend->Virtual(), nullptr);
  const auto devices = backend->Hid().Enumerate();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_LE(devices[0].version >> 8, 4);  // legacy boards are version 4 or older
  // Virtual time: a wait costs nothing real.
  const uint32_t before = backend->GetClock().NowMs();
  backend->GetClock().SleepMs(60000);
  EXPECT_EQ(backend->GetClock().NowMs() - before, 60000u);

  auto remote = MakeBoardBackend(*ParseBoardAddress("unix:/nonexistent.sock", &error), nullptr, &error);
  ASSERT_TRUE(remote);
  EXPECT_EQ(remote->Virtual(), nullptr);
  EXPECT_TRUE(remote->Hid().Load());
  EXPECT_TRUE(remote->Hid().Enumerate().empty());
}

// Claims to have placed more bytes than the buffer holds.
class OverclaimingBackend final : public HidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return {}; }
  int Open(const std::string&, HidHandle* h) override {
    *h = 1;
    return kWaitOk;
  }
  void Close(HidHandle) override {}
  int Write(HidHandle, std::span<const uint8_t>, uint32_t) override { return kWaitTimeout; }
  int Read(HidHandle, std::span<uint8_t> buf, uint32_t, size_t* got) override {
    buf[0] = 0xAB;
    *got = buf.size() + 100;
    return kWaitOk;
  }
  int GetIndexedString(HidHandle, uint8_t, std::span<uint8_t>, size_t* got) override {
    *got = 0;
    return kWaitFailed;
  }
  int GetSerial(HidHandle, std::span<uint8_t>, size_t* got) override {
    *got = 0;
    return kWaitFailed;
  }
};

TEST(TracingBackend, OneLinePerPrimitiveWithBytesAndResults) {
  VirtualClock clock;
  vt::sim::VirtualHidBackend board(clock);
  board.AddBoard(vt::sim::BoardConfig::Standard());
  std::ostringstream trace;
  TracingHidBackend hid(board, trace);

  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(hid.Open("virtual:0", &h), kWaitOk);
  std::vector<uint8_t> report(65, 0);
  report[1] = 0x0A;
  report[2] = 0xFF;
  hid.Write(h, report, 500);
  std::string reportHex = "00 0a ff";
  for (int i = 3; i < 65; ++i) reportHex += " 00";
  uint8_t buf[8];
  size_t got = 0;
  hid.GetSerial(h, buf, &got);
  hid.Close(h);
  EXPECT_EQ(trace.str(),
            "Open virtual:0 -> 0 h=1\n"
            "Write h=1 wait=500 len=65 [" + reportHex + "] -> 0\n"
            "GetSerial h=1 size=8 -> 0 n=8 [57 00 56 00 30 00 30 00]\n"
            "Close h=1\n");
}

TEST(TracingBackend, NeverLogsPastTheCallersBuffer) {
  OverclaimingBackend inner;
  std::ostringstream trace;
  TracingHidBackend hid(inner, trace);
  uint8_t buf[2] = {};
  size_t got = 0;
  hid.Read(1, buf, 10, &got);
  EXPECT_EQ(trace.str(), "Read h=1 wait=10 size=2 -> 0 n=102 [ab 00]\n");
}

}  // namespace
