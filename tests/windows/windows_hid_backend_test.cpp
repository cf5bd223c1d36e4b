// The Windows HID backend's own logic, run against virtual boards through a
// fake system table: enumeration, report lengths, overlapped time-outs with
// their cancel, strings, and that every handle it opens is closed again.
#include <gtest/gtest.h>

#include <vector>

#include "devlink/board_link.h"
#include "fake_win_hid_os.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"
#include "platform/debug_log.h"
#include "platform/hid_windows/windows_hid_backend.h"

namespace {

using vt::platform::HidHandle;
using vt::platform::kInvalidHidHandle;
using vt::platform::kWaitFailed;
using vt::platform::kWaitOk;
using vt::platform::kWaitTimeout;
using vt::platform::winhid::WindowsHidBackend;
using vt::sim::BoardConfig;
using vt::test::FakeWinHidOs;

std::string WinPath(const std::string& virtualPath) {
  const std::wstring w = FakeWinHidOs::WindowsPath(virtualPath);
  return std::string(w.begin(), w.end());
}

// What one route (the Windows backend over the fake system, or the virtual
// stack directly) makes of a board.
struct Seen {
  bool detected = false;
  std::string serial;
  uint16_t inputLength = 0, outputLength = 0;
  bool sendTwice = false;
  uint8_t textLength = 0;
  std::vector<uint8_t> text;
  bool infoRead = false;
  std::vector<uint8_t> info;
  bool operator==(const Seen&) const = default;
};

Seen Drive(vt::platform::HidBackend& hid, vt::platform::Clock& clock) {
  vt::platform::DebugLog log;
  vt::devlink::BoardLink link(hid, clock, log);
  Seen seen;
  if (!link.LoadDll()) return seen;
  seen.detected = link.USBDeviceDetect_Win32();
  if (!seen.detected) return seen;
  const auto& id = link.Identity();
  seen.serial = id.SerialText();
  seen.inputLength = id.inputReportByteLength;
  seen.outputLength = id.outputReportByteLength;
  seen.sendTwice = id.sendTwice;
  seen.text.assign(64, 0);
  seen.textLength = link.ReadDeviceText(seen.text);
  seen.info.assign(vt::flash::kInfoBlockSize, 0);
  seen.infoRead = vt::flash::ReadBoardMemory(link, vt::flash::InfoBlockAddress(id),
                                             vt::flash::kInfoBlockSize, seen.info.data());
  return seen;
}

class EveryPreset : public testing::TestWithParam<std::string> {};

// Detection, the device text and an info-block read (send-twice boards
// issue every read twice) give the same as the virtual stack itself, and
// nothing the backend opened stays open.
TEST_P(EveryPreset, SameAsTheVirtualStackAndNothingLeaks) {
  const auto config = BoardConfig::FromPreset(GetParam());
  ASSERT_TRUE(config);

  FakeWinHidOs os;
  os.hid.AddBoard(*config);
  Seen viaWindows;
  {
    WindowsHidBackend backend(os);
    viaWindows = Drive(backend, os.clock);
    EXPECT_TRUE(os.Clean()) << "files " << os.OpenFiles() << ", events " << os.OpenEvents()
                            << ", lists " << os.OpenLists() << ", preparsed " << os.OpenPreparsed();
  }
  EXPECT_EQ(os.hid.OpenHandles(), 0u);
  EXPECT_EQ(os.eventsClosedWhilePending, 0);

  vt::platform::VirtualClock clock;
  vt::sim::VirtualHidBackend direct(clock);
  direct.AddBoard(*config);
  const Seen viaVirtual = Drive(direct, clock);

  ASSERT_TRUE(viaWindows.detected);
  EXPECT_TRUE(viaWindows.infoRead);
  EXPECT_EQ(viaWindows, viaVirtual);
}

INSTANTIATE_TEST_SUITE_P(Boards, EveryPreset, testing::ValuesIn(BoardConfig::PresetNames()),
                         [](const auto& param) {
                           std::string name = param.param;
                           for (char& c : name) c = (c == '-') ? '_' : c;
                           return name;
                         });

// A board held exclusively by another program is listed (its attributes are
// read through a query-only handle) but marked unusable, and cannot be
// opened; one unplugged between the list and the open is simply missing.
TEST(WindowsHidEnumeration, HeldElsewhereAndGoneBoards) {
  FakeWinHidOs os;
  const std::string held = os.hid.AddBoard(BoardConfig::Standard());
  const std::string gone = os.hid.AddBoard(BoardConfig::VariantR());
  const std::string fine = os.hid.AddBoard(BoardConfig::Legacy());
  os.heldElsewhere.insert(held);
  os.goneOnOpen.insert(gone);
  WindowsHidBackend backend(os);

  const auto devices = backend.Enumerate();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].path, WinPath(held));
  EXPECT_FALSE(devices[0].openable);
  EXPECT_NE(devices[0].vendorId, 0);
  EXPECT_FALSE(devices[0].serial.empty());
  EXPECT_EQ(devices[1].path, WinPath(fine));
  EXPECT_TRUE(devices[1].openable);
  EXPECT_TRUE(devices[1].capsValid);
  EXPECT_GT(devices[1].outputReportLength, 0);

  HidHandle h = 7;
  EXPECT_EQ(backend.Open(WinPath(held), &h), kWaitFailed);
  EXPECT_EQ(h, kInvalidHidHandle);
  // The device goes away after the list was made, before the open.
  os.goneOnOpen.insert(fine);
  EXPECT_EQ(backend.Open(WinPath(fine), &h), kWaitFailed);
  EXPECT_TRUE(os.Clean());
}

TEST(WindowsHidEnumeration, WithoutTheLibrariesNothingIsListedOrOpened) {
  FakeWinHidOs os;
  const std::string path = os.hid.AddBoard(BoardConfig::Standard());
  os.loadFails = true;
  WindowsHidBackend backend(os);
  EXPECT_FALSE(backend.Load());
  EXPECT_TRUE(backend.Enumerate().empty());
  HidHandle h = kInvalidHidHandle;
  EXPECT_EQ(backend.Open(WinPath(path), &h), kWaitFailed);
  EXPECT_TRUE(os.opened.empty());
}

class WindowsHidTransfer : public testing::Test {
 protected:
  void SetUp() override {
    path_ = os_.hid.AddBoard(BoardConfig::Standard());
    ASSERT_EQ(backend_.Open(WinPath(path_), &handle_), kWaitOk);
    const auto info = os_.hid.Enumerate().at(0);
    outLength_ = info.outputReportLength;
  }

  FakeWinHidOs os_;
  WindowsHidBackend backend_{os_};
  std::string path_;
  HidHandle handle_ = kInvalidHidHandle;
  uint16_t outLength_ = 0;
};

// A read nobody answers times out after the wait the caller gave, is
// cancelled, and its event is released only once the cancel has landed.
TEST_F(WindowsHidTransfer, TimedOutReadIsCancelledBeforeItsEventGoes) {
  std::vector<uint8_t> buf(64);
  size_t got = 99;
  const uint64_t before = os_.clock.ElapsedMs();
  EXPECT_EQ(backend_.Read(handle_, buf, 200, &got), kWaitTimeout);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(os_.clock.ElapsedMs() - before, 200u);
  EXPECT_EQ(os_.cancels, 1);
  EXPECT_EQ(os_.eventsClosedWhilePending, 0);
  EXPECT_EQ(os_.OpenEvents(), 0u);
  backend_.Close(handle_);
  EXPECT_TRUE(os_.Clean());
}

// When the cancel does not finish in time the operation's record, event and
// buffer are kept until the handle is closed, which ends the operation.
TEST_F(WindowsHidTransfer, ACancelThatDoesNotLandKeepsTheEventUntilClose) {
  os_.writesStall = true;
  os_.cancelNeverLands = true;
  const std::vector<uint8_t> report(outLength_, 0);
  EXPECT_EQ(backend_.Write(handle_, report, 500), kWaitTimeout);
  EXPECT_EQ(os_.cancels, 1);
  EXPECT_EQ(os_.OpenEvents(), 1u);
  backend_.Close(handle_);
  EXPECT_EQ(os_.eventsClosedWhilePending, 0);
  EXPECT_TRUE(os_.Clean());
}

// A write the system refuses outright fails; it must not be reported as done
// even though no wait ran out.
TEST_F(WindowsHidTransfer, AWriteRefusedAtOnceFails) {
  os_.writeFailsAtOnce = true;
  const std::vector<uint8_t> report(outLength_, 0);
  EXPECT_EQ(backend_.Write(handle_, report, 500), kWaitFailed);
  EXPECT_EQ(os_.cancels, 0);
  EXPECT_EQ(os_.OpenEvents(), 0u);
}

// Reports go out at exactly the device's output length: short ones padded
// with zeros, long ones cut.
TEST_F(WindowsHidTransfer, ReportsAreSentAtTheDeviceLength) {
  ASSERT_GT(outLength_, 4);
  auto& traffic = os_.hid.Board(size_t{0})->Traffic();
  using Kind = vt::sim::TrafficEntry::Kind;
  EXPECT_EQ(backend_.Write(handle_, std::vector<uint8_t>{0, 0x01}, 500), kWaitOk);
  EXPECT_EQ(traffic.OfKind(Kind::kWrite).back().bytes.size(), outLength_);
  EXPECT_EQ(backend_.Write(handle_, std::vector<uint8_t>(outLength_ + 10u, 0), 500), kWaitOk);
  EXPECT_EQ(traffic.OfKind(Kind::kWrite).back().bytes.size(), outLength_);
}

// The serial comes back as 16-bit units with a zero unit after them when it
// fits, and never overruns a short buffer; unknown handles fail.
TEST_F(WindowsHidTransfer, SerialAndIndexedStrings) {
  const std::u16string serial = os_.hid.Enumerate().at(0).serial;
  std::vector<uint8_t> buf(255, 0xEE);
  size_t got = 0;
  ASSERT_EQ(backend_.GetSerial(handle_, buf, &got), kWaitOk);
  ASSERT_EQ(got, serial.size() * 2 + 2);
  for (size_t k = 0; k < serial.size(); ++k) EXPECT_EQ(buf[2 * k], serial[k] & 0xFF);
  EXPECT_EQ(buf[got - 1], 0);
  EXPECT_EQ(buf[got], 0xEE);

  std::vector<uint8_t> small(5, 0xEE);
  ASSERT_EQ(backend_.GetSerial(handle_, small, &got), kWaitOk);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(small[4], 0xEE);

  // The length is what the device gave, not the room offered.
  std::vector<uint8_t> text(64);
  EXPECT_EQ(backend_.GetIndexedString(handle_, 244, text, &got), kWaitOk);
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(backend_.GetIndexedString(handle_ + 1, 244, text, &got), kWaitFailed);
  EXPECT_EQ(backend_.GetSerial(handle_ + 1, buf, &got), kWaitFailed);
}

// Without report lengths (preparsed data unreadable) the caller's sizes are
// used and the device still works.
TEST(WindowsHidCaps, UnreadableCapsFallBackToTheCallersSizes) {
  FakeWinHidOs os;
  const std::string path = os.hid.AddBoard(BoardConfig::Standard());
  os.capsFail = true;
  WindowsHidBackend backend(os);
  const auto devices = backend.Enumerate();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_FALSE(devices[0].capsValid);
  HidHandle h = kInvalidHidHandle;
  ASSERT_EQ(backend.Open(WinPath(path), &h), kWaitOk);
  EXPECT_EQ(backend.Write(h, std::vector<uint8_t>(65, 0), 500), kWaitOk);
  backend.Close(h);
  EXPECT_TRUE(os.Clean());
}

}  // namespace
