// Against the running system (Wine in CI): the real hid.dll and SetupAPI
// with no board attached, and file paths in non-Latin scripts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "devlink/board_link.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/hid_windows/windows_hid_backend.h"
#include "profiles/info_block_backup.h"
#include "profiles/profile_file.h"

namespace {

namespace fs = std::filesystem;

// The system libraries load, the entry points the panel uses resolve, and a
// machine without a board gives a clean "no board": no accepted device, no
// crash, no handle left behind.
TEST(WindowsSystemHid, NoBoardIsReportedCleanly) {
  vt::platform::winhid::WindowsHidBackend backend;
  ASSERT_TRUE(backend.Load());
  const auto names = backend.EntryPointNames();
  for (const char* needed : {"HidD_GetHidGuid", "HidD_GetAttributes", "HidD_GetPreparsedData",
                             "HidD_FreePreparsedData", "HidP_GetCaps", "HidD_GetSerialNumberString",
                             "HidD_GetIndexedString", "SetupDiGetClassDevs",
                             "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetail",
                             "SetupDiDestroyDeviceInfoList"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;
  }
  DWORD handlesBefore = 0, handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  vt::platform::SystemClock clock;
  vt::platform::DebugLog log;
  vt::devlink::BoardLink link(backend, clock, log);
  ASSERT_TRUE(link.LoadDll());
  EXPECT_FALSE(link.USBDeviceDetect_Win32());
  EXPECT_FALSE(link.USBSendCommand(0x10, 0, 0, 0, 0));
  for (int i = 0; i < 3; ++i) backend.Enumerate();
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_LE(handlesAfter, handlesBefore + 2);  // the system may cache a little
  vt::platform::HidHandle h = 5;
  EXPECT_EQ(backend.Open("\\\\?\\hid#no_such_device", &h), vt::platform::kWaitFailed);
}

class UnicodeFolder : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            (L"vt-" + std::to_wstring(GetCurrentProcessId()) + L"-Профили-設定-Ωmega");
    fs::remove_all(root_);
    ASSERT_TRUE(fs::create_directories(root_));
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

// A profile file in a folder named in Cyrillic and Japanese is written whole,
// replaced whole, and read back byte for byte.
TEST_F(UnicodeFolder, ProfileFilesRoundTrip) {
  const fs::path file = root_ / L"Ярлык.dat";
  std::vector<uint8_t> bytes(vt::profiles::kProfileFileReadLimit);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  std::string error;
  ASSERT_TRUE(vt::profiles::WriteProfileFileBytes(file, bytes, &error)) << error;
  EXPECT_TRUE(vt::profiles::ProfileFileExists(file));
  auto back = vt::profiles::ReadProfileFileBytes(file, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(*back, bytes);

  bytes.resize(10);
  ASSERT_TRUE(vt::profiles::WriteProfileFileBytes(file, bytes, &error)) << error;
  back = vt::profiles::ReadProfileFileBytes(file, &error);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, bytes);
  // No temporary file stays behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);

  // A folder is refused as an output and left alone.
  EXPECT_FALSE(vt::profiles::WriteProfileFileBytes(root_, bytes, &error));
  EXPECT_TRUE(fs::is_directory(root_));
}

// Backups go to %LOCALAPPDATA%\Velotrack\backups\<serial>\, also when that
// folder's name is not in the system code page; a second backup in the same
// second never replaces the first.
TEST_F(UnicodeFolder, BackupsUnderLocalAppData) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", root_.c_str()));
  _wputenv_s(L"LOCALAPPDATA", root_.c_str());
  const fs::path backups = vt::profiles::DefaultBackupRoot();
  EXPECT_EQ(backups, root_ / "Velotrack" / "backups");

  std::vector<uint8_t> block(2048, 0x5A);
  const auto first = vt::profiles::SaveInfoBlockBackup(backups, "W123456789", block, 1700000000);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.path.parent_path(), backups / "W123456789");
  block[0] = 1;
  const auto second = vt::profiles::SaveInfoBlockBackup(backups, "W123456789", block, 1700000000);
  ASSERT_TRUE(second.ok) << second.error;
  EXPECT_NE(first.path, second.path);
  const auto firstBytes = vt::platform::ReadRegularFile(first.path, 4096);
  ASSERT_TRUE(firstBytes.ok());
  EXPECT_EQ(firstBytes.bytes[0], 0x5A);
}

// Device names are never taken for files.
TEST(WindowsFiles, DeviceNamesAreRefused) {
  EXPECT_EQ(vt::platform::KindOfPath("NUL"), vt::platform::FileKind::kDevice);
  EXPECT_EQ(vt::platform::KindOfPath("c:\\some\\folder\\com1.txt"), vt::platform::FileKind::kDevice);
  EXPECT_FALSE(vt::platform::ReadRegularFile("CON", 100).ok());
  EXPECT_FALSE(vt::platform::WriteFileAtomically("NUL", std::string_view("x")).ok());
}

}  // namespace
