// The board as a USB device: what the host's enumeration sees, what its
// requests turn into on the board, and what is refused.
#include <gtest/gtest.h>

#include "platform/hid_linux/report_descriptor.h"
#include "sim/usb/usb_board_device.h"
#include "tests/sim/host_reports.h"

namespace vt::sim::usb {
namespace {

using platform::HidHandle;

// Counts what reaches the board so tests can see how often it was asked.
class CountingBackend final : public platform::HidBackend {
 public:
  explicit CountingBackend(platform::HidBackend& inner) : inner_(inner) {}
  std::vector<platform::HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  int Open(const std::string& p, HidHandle* h) override { return inner_.Open(p, h); }
  void Close(HidHandle h) override { inner_.Close(h); }
  int Write(HidHandle h, std::span<const uint8_t> r, uint32_t w) override {
    writes.emplace_back(r.begin(), r.end());
    return inner_.Write(h, r, w);
  }
  int Read(HidHandle h, std::span<uint8_t> b, uint32_t w, size_t* g) override {
    return inner_.Read(h, b, w, g);
  }
  int GetIndexedString(HidHandle h, uint8_t i, std::span<uint8_t> b, size_t* g) override {
    ++stringFetches;
    return inner_.GetIndexedString(h, i, b, g);
  }
  int GetSerial(HidHandle h, std::span<uint8_t> b, size_t* g) override {
    return inner_.GetSerial(h, b, g);
  }
  std::vector<std::vector<uint8_t>> writes;
  int stringFetches = 0;

 private:
  platform::HidBackend& inner_;
};

struct Rig {
  explicit Rig(BoardConfig config, bool outEndpoint = true)
      : backend(clock), counting(backend), device(counting, outEndpoint) {
    path = backend.AddBoard(std::move(config));
    EXPECT_TRUE(device.Attach());
  }
  TransferResult In(uint8_t type, uint8_t request, uint16_t value, uint16_t index = 0,
                    uint16_t length = 255) {
    return device.Control({type, request, value, index, length}, {});
  }
  TransferResult Descriptor(uint8_t kind, uint8_t index = 0, uint16_t length = 255) {
    return In(0x80, 0x06, static_cast<uint16_t>(kind << 8 | index), 0, length);
  }
  TransferResult SetReport(std::span<const uint8_t> payload) {
    return device.Control({0x21, 0x09, 0x0200, 0, static_cast<uint16_t>(payload.size())}, payload);
  }
  platform::VirtualClock clock;
  VirtualHidBackend backend;
  CountingBackend counting;
  UsbBoardDevice device;
  std::string path;
};

uint16_t Le16(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

// The report for a flash read of `count` bytes at `address`, without its ID byte.
std::vector<uint8_t> ReadRequestPayload(uint32_t address, uint8_t count) {
  auto r = testing::FlashReport(65, 0xD0, 0, address, testing::Le32Bytes(count));
  return {r.begin() + 1, r.end()};
}

TEST(UsbBoardDevice, DescriptorsCarryEachPresetsIdentityAndReportLengths) {
  for (const char* preset : {"standard", "r", "ab", "legacy", "send-twice"}) {
    SCOPED_TRACE(preset);
    auto config = *BoardConfig::FromPreset(preset);
    Rig rig(config);
    const auto dev = rig.Descriptor(kDescDevice).data;
    ASSERT_EQ(dev.size(), 18u);
    EXPECT_EQ(dev[0], 18);
    EXPECT_EQ(Le16(dev, 8), config.vendorId);
    EXPECT_EQ(Le16(dev, 10), config.productId);
    EXPECT_EQ(Le16(dev, 12), config.version);

    const auto serial = rig.Descriptor(kDescString, dev[16]).data;
    ASSERT_EQ(serial.size(), 2 + 2 * config.serial.size());
    EXPECT_EQ(serial[1], kDescString);
    for (size_t k = 0; k < config.serial.size(); ++k) {
      EXPECT_EQ(Le16(serial, 2 + 2 * k), config.serial[k]);
    }

    // The report descriptor, read the way the Linux backend reads it, gives
    // back the board's lengths with the report ID byte counted.
    const auto report = rig.In(0x81, 0x06, kDescReport << 8).data;
    const auto lengths = platform::hidraw::ParseReportDescriptor(report);
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, config.inputReportLength);
    EXPECT_EQ(lengths->output, config.outputReportLength);
    EXPECT_FALSE(lengths->usesReportIds);
  }
}

TEST(UsbBoardDevice, ConfigurationHasOneHidInterfaceWithOneMillisecondInterruptEndpoints) {
  for (bool out : {true, false}) {
    Rig rig(BoardConfig::Standard(), out);
    const auto cfg = rig.Descriptor(kDescConfiguration).data;
    ASSERT_GE(cfg.size(), 9u);
    EXPECT_EQ(Le16(cfg, 2), cfg.size());
    EXPECT_EQ(cfg[4], 1);  // one interface
    std::vector<std::pair<uint8_t, uint8_t>> endpoints;  // address, interval
    uint16_t reportLength = 0;
    for (size_t at = 9; at + 1 < cfg.size(); at += cfg[at]) {
      ASSERT_GE(cfg[at], 2);
      if (cfg[at + 1] == kDescInterface) {
        EXPECT_EQ(cfg[at + 5], 0x03);
      }
      if (cfg[at + 1] == kDescHid) reportLength = Le16(cfg, at + 7);
      if (cfg[at + 1] == kDescEndpoint) {
        EXPECT_EQ(cfg[at + 3], 0x03);  // interrupt
        EXPECT_EQ(Le16(cfg, at + 4), 64);
        endpoints.emplace_back(cfg[at + 2], cfg[at + 6]);
      }
    }
    EXPECT_EQ(reportLength, rig.In(0x81, 0x06, kDescReport << 8).data.size());
    std::vector<std::pair<uint8_t, uint8_t>> want{{0x81, 1}};
    if (out) want.emplace_back(0x01, 1);
    EXPECT_EQ(endpoints, want);
    // A short request (the host reading the header first) gets a prefix.
    EXPECT_EQ(rig.Descriptor(kDescConfiguration, 0, 9).data,
              std::vector<uint8_t>(cfg.begin(), cfg.begin() + 9));
  }
}

TEST(UsbBoardDevice, BoardStringsAreFetchedLiveWithACorrectHeader) {
  Rig rig(BoardConfig::Standard());
  ASSERT_EQ(rig.device.InterruptOut(ReadRequestPayload(0xE0000, 120)).status, TransferStatus::kOk);
  const auto s = rig.Descriptor(kDescString, 240);
  ASSERT_EQ(s.status, TransferStatus::kOk);
  ASSERT_GE(s.data.size(), 2u);
  EXPECT_EQ(s.data[0], s.data.size());
  EXPECT_EQ(s.data[1], kDescString);
  // The same bytes the board hands out directly.
  HidHandle h = 0;
  ASSERT_EQ(rig.backend.Open(rig.path, &h), 0);
  std::vector<uint8_t> direct(253);
  size_t got = 0;
  ASSERT_EQ(rig.backend.GetIndexedString(h, 240, direct, &got), 0);
  direct.resize(got);
  EXPECT_EQ(std::vector<uint8_t>(s.data.begin() + 2, s.data.end()), direct);
  EXPECT_GE(direct.size(), 120u);  // the whole chunk, not a text-length cut

  // A short request first, then the full one: the board is asked once and
  // both answers agree.
  const int before = rig.counting.stringFetches;
  const auto head = rig.Descriptor(kDescString, 244, 2);
  const auto full = rig.Descriptor(kDescString, 244, 255);
  EXPECT_EQ(rig.counting.stringFetches, before + 1);
  ASSERT_EQ(head.data.size(), 2u);
  EXPECT_EQ(head.data[0], full.data.size());
  // A fresh request after a report asks the board again.
  ASSERT_EQ(rig.device.InterruptOut(ReadRequestPayload(0xE0000, 8)).status, TransferStatus::kOk);
  rig.Descriptor(kDescString, 244, 255);
  EXPECT_EQ(rig.counting.stringFetches, before + 2);
}

TEST(UsbBoardDevice, LongBoardStringIsCappedByTheOneByteLength) {
  std::vector<uint8_t> content(300, 0xAB);
  const auto d = StringDescriptor(content);
  EXPECT_EQ(d.size(), 255u);
  EXPECT_EQ(d[0], 255);
  EXPECT_EQ(StringDescriptor(std::span<const uint8_t>{}).size(), 2u);
}

TEST(UsbBoardDevice, OutputReportsReachTheBoardWithTheReportIdByteFirstOnBothPaths) {
  const auto payload = ReadRequestPayload(0xE0000, 16);
  Rig withOut(BoardConfig::Standard(), true);
  Rig noOut(BoardConfig::Standard(), false);
  EXPECT_EQ(withOut.device.InterruptOut(payload).status, TransferStatus::kOk);
  EXPECT_EQ(noOut.SetReport(payload).status, TransferStatus::kOk);
  // Without an OUT endpoint the interrupt path does not exist.
  EXPECT_EQ(noOut.device.InterruptOut(payload).status, TransferStatus::kIoError);
  std::vector<uint8_t> want{0};
  want.insert(want.end(), payload.begin(), payload.end());
  ASSERT_EQ(withOut.counting.writes.size(), 1u);
  ASSERT_EQ(noOut.counting.writes.size(), 1u);
  EXPECT_EQ(withOut.counting.writes[0], want);
  EXPECT_EQ(noOut.counting.writes[0], want);
  // And the board answers both the same way.
  EXPECT_EQ(withOut.Descriptor(kDescString, 240).data, noOut.Descriptor(kDescString, 240).data);
  // A payload longer than the report is refused, not cut.
  std::vector<uint8_t> tooLong(65, 1);
  EXPECT_EQ(withOut.device.InterruptOut(tooLong).status, TransferStatus::kStall);
  EXPECT_EQ(withOut.counting.writes.size(), 1u);
}

TEST(UsbBoardDevice, EnumerationRequestsAreAnsweredAndUnknownOnesStalled) {
  Rig rig(BoardConfig::Standard());
  EXPECT_EQ(rig.device.Control({0x00, 0x09, 1, 0, 0}, {}).status, TransferStatus::kOk);
  EXPECT_EQ(rig.In(0x80, 0x08, 0, 0, 1).data, std::vector<uint8_t>{1});
  EXPECT_EQ(rig.device.Control({0x21, 0x0A, 0, 0, 0}, {}).status, TransferStatus::kOk);  // SET_IDLE
  EXPECT_EQ(rig.In(0x80, 0x00, 0, 0, 2).data, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(rig.Descriptor(kDescString, 0).data, (std::vector<uint8_t>{4, 3, 0x09, 0x04}));

  const SetupPacket refused[] = {
      {0x80, 0x06, 0x0600, 0, 10},   // device qualifier: full speed only
      {0x80, 0x06, 0x0201, 0, 255},  // a second configuration
      {0x80, 0x06, 0x0F00, 0, 255},  // BOS
      {0x81, 0x06, 0x2200, 1, 255},  // report descriptor of a missing interface
      {0xC0, 0x01, 0, 0, 8},         // vendor request
      {0x40, 0x01, 0, 0, 0},
      {0xA1, 0x01, 0x0100, 0, 64},   // GET_REPORT(input)
      {0x21, 0x09, 0x0300, 0, 0},    // SET_REPORT(feature)
      {0x21, 0x0A, 0, 3, 0},         // SET_IDLE to interface 3
      {0x00, 0x09, 7, 0, 0},         // SET_CONFIGURATION 7
      {0x23, 0x03, 0, 1, 0},         // a hub request
  };
  for (const auto& s : refused) {
    SCOPED_TRACE(::testing::PrintToString(std::vector<int>{s.requestType, s.request, s.value}));
    EXPECT_EQ(rig.device.Control(s, {}).status, TransferStatus::kStall);
  }
  EXPECT_TRUE(rig.counting.writes.empty());
  // Still a working device afterwards.
  EXPECT_EQ(rig.Descriptor(kDescDevice).data.size(), 18u);
}

TEST(UsbBoardDevice, LegacyRepliesComeUpTheInterruptEndpointWithoutTheIdByte) {
  auto config = BoardConfig::Legacy();
  Rig rig(config);
  EXPECT_FALSE(rig.device.PollInput());
  auto command = testing::CommandReport(config.outputReportLength, 0x42, 0x28, 0x24);  // version query
  ASSERT_EQ(rig.device.InterruptOut(std::span(command).subspan(1)).status, TransferStatus::kOk);
  const auto input = rig.device.PollInput();
  ASSERT_TRUE(input);
  EXPECT_EQ(input->size(), config.inputReportLength - 1u);
  EXPECT_EQ((*input)[4], 0x42);  // the reply's tag, where the host expects it
  EXPECT_FALSE(rig.device.PollInput());
}

TEST(UsbBoardDevice, ABoardThatGoesAwayIsNoticedAndFoundAgain) {
  Rig rig(BoardConfig::Standard());
  rig.device.CheckAlive();
  EXPECT_FALSE(rig.device.Lost());
  rig.backend.RemoveBoard(rig.path);
  rig.device.CheckAlive();
  EXPECT_TRUE(rig.device.Lost());
  EXPECT_EQ(rig.device.InterruptOut(ReadRequestPayload(0xE0000, 8)).status, TransferStatus::kIoError);
  rig.device.Detach();
  EXPECT_FALSE(rig.device.Attach());
  rig.backend.AddBoard(BoardConfig::VariantR());
  ASSERT_TRUE(rig.device.Attach());
  EXPECT_FALSE(rig.device.Lost());
  EXPECT_EQ(rig.device.Shape().serial[0], u'R');
}

}  // namespace
}  // namespace vt::sim::usb
