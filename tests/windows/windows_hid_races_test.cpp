// The Windows HID backend where the system and the backend race: a report
// that completes just as its time-out cancels it, a cancel or close that
// does not end the operation, and discovery that must not open devices it
// has no use for, with the reasons a device cannot be opened.
#include <gtest/gtest.h>

#include <vector>

#include "fake_win_hid_os.h"
#include "platform/hid_windows/open_errors.h"
#include "platform/hid_windows/windows_hid_backend.h"

namespace {

using vt::platform::HidHandle;
using vt::platform::kInvalidHidHandle;
using vt::platform::kWaitOk;
using vt::platform::kWaitTimeout;
using vt::platform::winhid::WindowsHidBackend;
using vt::sim::BoardConfig;
using vt::test::FakeWinHidOs;

std::string WinPath(const std::string& virtualPath) {
  const std::wstring w = FakeWinHidOs::WindowsPath(virtualPath);
  return std::string(w.begin(), w.end());
}

class WindowsHidRace : public testing::Test {
 protected:
  void SetUp() override {
    os_.hid.AddBoard(BoardConfig::Standard());
    ASSERT_EQ(backend_.Open(WinPath(os_.hid.Paths().at(0)), &handle_), kWaitOk);
    outLength_ = os_.hid.Enumerate().at(0).outputReportLength;
  }

  FakeWinHidOs os_;
  WindowsHidBackend backend_{os_};
  HidHandle handle_ = kInvalidHidHandle;
  uint16_t outLength_ = 0;
};

// The write outlives its wait but the device takes it as the cancel comes:
// the report went out, so the write succeeded (a resend would repeat it),
// and only that one operation was cancelled.
TEST_F(WindowsHidRace, AWriteThatCompletesInTheCancelRaceCounts) {
  os_.writesStall = true;
  os_.raceWinsCancel = true;
  auto& traffic = os_.hid.Board(size_t{0})->Traffic();
  const size_t before = traffic.OfKind(vt::sim::TrafficEntry::Kind::kWrite).size();
  EXPECT_EQ(backend_.Write(handle_, std::vector<uint8_t>(outLength_, 0), 500), kWaitOk);
  EXPECT_EQ(traffic.OfKind(vt::sim::TrafficEntry::Kind::kWrite).size(), before + 1);
  EXPECT_EQ(os_.cancels, 1);
  EXPECT_EQ(os_.cancelsOfEveryOperation, 0);
  EXPECT_EQ(os_.OpenEvents(), 0u);
  EXPECT_EQ(os_.endlessWaits, 0);
}

// Neither the cancel nor the close ends the operation: its record, event
// and buffer are never handed back while the system may still fill them,
// and the backend does not block waiting for it.
TEST_F(WindowsHidRace, AnOperationThatNeverEndsIsNeverFreed) {
  os_.writesStall = true;
  os_.cancelNeverLands = true;
  os_.closeLeavesPending = true;
  EXPECT_EQ(backend_.Write(handle_, std::vector<uint8_t>(outLength_, 0), 500), kWaitTimeout);
  backend_.Close(handle_);
  EXPECT_EQ(os_.eventsClosedWhilePending, 0);
  EXPECT_EQ(os_.endlessWaits, 0);
  EXPECT_EQ(os_.OpenEvents(), 1u);
  EXPECT_EQ(backend_.Abandoned(), 1u);
  EXPECT_EQ(os_.OpenFiles(), 0u);
}

// Only vendor/product candidates are opened read/write and asked for their
// serial; the others are listed from a handle without access rights.
TEST(WindowsHidDiscovery, OnlyCandidatesAreOpenedReadWrite) {
  FakeWinHidOs os;
  const std::string board = os.hid.AddBoard(BoardConfig::Standard());
  BoardConfig foreign = BoardConfig::Standard();
  foreign.vendorId = 0x046D;  // someone's keyboard
  const std::string keyboard = os.hid.AddBoard(foreign);
  WindowsHidBackend backend(os);
  const uint16_t boardVendor = os.hid.Enumerate().at(0).vendorId;
  backend.SetCandidates([boardVendor](uint16_t vendor, uint16_t) { return vendor == boardVendor; });

  const auto devices = backend.Enumerate();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_FALSE(devices[0].serial.empty());
  EXPECT_TRUE(devices[0].capsValid);
  EXPECT_EQ(devices[1].vendorId, 0x046D);
  EXPECT_TRUE(devices[1].serial.empty());
  EXPECT_FALSE(devices[1].capsValid);
  EXPECT_EQ(os.opened, std::vector<std::string>{board});
  EXPECT_EQ(os.serialReads[keyboard], 0);
  EXPECT_EQ(os.queryOpens[keyboard], 1);
  EXPECT_TRUE(os.Clean());
}

// Why a candidate cannot be opened is told apart: no access and busy are
// listed as such, unplugged and gone are not listed at all.
TEST(WindowsHidDiscovery, OpenErrorsAreToldApart) {
  FakeWinHidOs os;
  const std::string denied = os.hid.AddBoard(BoardConfig::Standard());
  const std::string held = os.hid.AddBoard(BoardConfig::Standard());
  const std::string pulled = os.hid.AddBoard(BoardConfig::Standard());
  os.deniedToUser.insert(denied);
  os.heldElsewhere.insert(held);
  os.pulledOnOpen.insert(pulled);
  WindowsHidBackend backend(os);

  const auto devices = backend.Enumerate();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].path, WinPath(denied));
  EXPECT_FALSE(devices[0].openable);
  EXPECT_EQ(devices[0].noAccess.rfind("no access:", 0), 0u) << devices[0].noAccess;
  EXPECT_EQ(devices[1].path, WinPath(held));
  EXPECT_FALSE(devices[1].openable);
  EXPECT_TRUE(devices[1].noAccess.empty());
  EXPECT_TRUE(os.Clean());

  using vt::platform::winhid::ClassifyOpenError;
  using vt::platform::winhid::OpenFailure;
  using vt::platform::winhid::OpenFailureText;
  EXPECT_EQ(ClassifyOpenError(ERROR_DEVICE_NOT_CONNECTED), OpenFailure::kUnplugged);
  EXPECT_EQ(ClassifyOpenError(ERROR_FILE_NOT_FOUND), OpenFailure::kGone);
  EXPECT_EQ(OpenFailureText(OpenFailure::kOther, 1234).find("1234") != std::string::npos, true);
}

}  // namespace
