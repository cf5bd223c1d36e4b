#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <cstdlib>
#include <string>

#include "platform/hid_windows/board_mutex.h"

namespace {

using namespace vt::platform;
using vt::platform::winhid::BoardMutexHid;

// One board, as the system would list it; nothing else is asked here.
class OneBoard final : public HidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate() override {
    HidDeviceInfo d;
    d.path = path;
    d.serial = u"W10000471102.05";
    return {d};
  }
  int Open(const std::string&, HidHandle*) override { return kWaitFailed; }
  void Close(HidHandle) override {}
  int Write(HidHandle, std::span<const uint8_t>, uint32_t) override { return kWaitFailed; }
  int Read(HidHandle, std::span<uint8_t>, uint32_t, size_t*) override { return kWaitFailed; }
  int GetIndexedString(HidHandle, uint8_t, std::span<uint8_t>, size_t*) override { return kWaitFailed; }
  int GetSerial(HidHandle, std::span<uint8_t>, size_t*) override { return kWaitFailed; }
  explicit OneBoard(DWORD tag = GetCurrentProcessId())
      : path("\\\\?\\hid#vid_1234&pid_5678#" + std::to_string(tag) + "#{4d1e55b2}") {}
  std::string path;
};

// Another program holding the board: a thread of its own, since a mutex
// belongs to the thread that took it. It takes the board, says so, and lets
// go (or ends without letting go) when told.
struct OtherHolder {
  explicit OtherHolder(bool lettingGo) : letGo(lettingGo) {
    took = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    end = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, &OtherHolder::Run, this, 0, nullptr);
    WaitForSingleObject(took, 10000);
  }
  ~OtherHolder() {
    SetEvent(end);
    WaitForSingleObject(thread, 10000);
    for (HANDLE h : {thread, took, end}) CloseHandle(h);
  }
  static DWORD WINAPI Run(void* self) {
    auto* me = static_cast<OtherHolder*>(self);
    OneBoard* board = new OneBoard;
    auto* hid = new BoardMutexHid(std::unique_ptr<HidBackend>(board));
    std::string holder;
    me->claimed = hid->Claim(board->path, "velotrack firmware update", &holder);
    SetEvent(me->took);
    WaitForSingleObject(me->end, 10000);
    // Letting go; otherwise the thread ends holding the mutex, as a program
    // that dies does (its handles stay open here: the system's to clean up).
    if (me->letGo) delete hid;
    return 0;
  }
  bool letGo;
  int claimed = kWaitFailed;
  HANDLE took, end, thread;
};

TEST(BoardMutex, OneHolderPerBoardAndTheOthersAreToldWho) {
  auto* board = new OneBoard;
  const std::string path = board->path;
  BoardMutexHid hid{std::unique_ptr<HidBackend>(board)};
  std::string holder;
  {
    OtherHolder other(true);
    ASSERT_EQ(other.claimed, kWaitOk);
    EXPECT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitTimeout);
    EXPECT_EQ(holder, "velotrack firmware update (pid " + std::to_string(GetCurrentProcessId()) + ")");
  }
  // Let go: this one takes it, also again (held already), and the name is
  // the board's in every program.
  ASSERT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitOk);
  EXPECT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitOk);
  EXPECT_EQ(BoardMutexHid::MutexName(u"W10000471102.05", path), BoardMutexHid::MutexName(u"W10000471102.05", path));
  EXPECT_NE(BoardMutexHid::MutexName(u"W10000471102.05", path), BoardMutexHid::MutexName(u"W10000471102.05", path + "x"));
  {
    OtherHolder other(true);
    EXPECT_EQ(other.claimed, kWaitTimeout);
  }
  hid.Release(path);
  // A holder that ends without letting go leaves the board to the next.
  { OtherHolder gone(false); ASSERT_EQ(gone.claimed, kWaitOk); }
  EXPECT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitOk);
  hid.Release(path);
}

// Another program: this test program started again, which takes the
// board of the test that started it, says so and holds it until told.
TEST(BoardMutex, TwoProgramsNeverHoldOneBoardTogether) {
  const DWORD tag = GetCurrentProcessId();
  const std::wstring suffix = std::to_wstring(tag);
  const HANDLE took = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\vt-test-took-" + suffix).c_str());
  const HANDLE end = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\vt-test-end-" + suffix).c_str());
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_also_run_disabled_tests --gtest_filter=BoardMutex.DISABLED_HoldForAnotherProgram";
  SetEnvironmentVariableW(L"VT_HOLD_BOARD", suffix.c_str());
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION other{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &other);
  SetEnvironmentVariableW(L"VT_HOLD_BOARD", nullptr);
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(took, 30000), WAIT_OBJECT_0);

  auto* board = new OneBoard(tag);
  const std::string path = board->path;
  BoardMutexHid hid{std::unique_ptr<HidBackend>(board)};
  std::string holder;
  EXPECT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitTimeout);
  EXPECT_EQ(holder, "velotrack firmware update (pid " + std::to_string(other.dwProcessId) + ")");
  SetEvent(end);
  EXPECT_EQ(WaitForSingleObject(other.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(other.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(hid.Claim(path, "velotrack read", &holder), kWaitOk);
  hid.Release(path);
  for (HANDLE h : {other.hProcess, other.hThread, took, end}) CloseHandle(h);
}

// The other program's part of the test above (run only by it).
TEST(BoardMutex, DISABLED_HoldForAnotherProgram) {
  wchar_t suffix[32];
  ASSERT_GT(GetEnvironmentVariableW(L"VT_HOLD_BOARD", suffix, 32), 0u);
  const HANDLE took = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Local\\vt-test-took-" + std::wstring(suffix)).c_str());
  const HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, (L"Local\\vt-test-end-" + std::wstring(suffix)).c_str());
  ASSERT_TRUE(took != nullptr && end != nullptr);
  auto* board = new OneBoard(static_cast<DWORD>(std::wcstoul(suffix, nullptr, 10)));
  const std::string path = board->path;
  BoardMutexHid hid{std::unique_ptr<HidBackend>(board)};
  std::string holder;
  ASSERT_EQ(hid.Claim(path, "velotrack firmware update", &holder), kWaitOk);
  SetEvent(took);
  WaitForSingleObject(end, 30000);
  hid.Release(path);
  CloseHandle(took);
  CloseHandle(end);
}

}  // namespace
