#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "platform/windows/board_mutex.h"

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
  std::string path = "\\\\?\\hid#vid_1234&pid_5678#" + std::to_string(GetCurrentProcessId()) + "#{4d1e55b2}";
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

}  // namespace
