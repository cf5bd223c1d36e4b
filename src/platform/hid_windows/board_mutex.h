#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "platform/forwarding_hid_backend.h"

namespace vt::platform::winhid {

// The right to talk to a board among the programs of this session: a named
// kernel mutex per board, named after the board's serial and device path,
// held for one whole operation (a read as much as a write). Beside it, a
// small named memory block holds the holder's description ("velotrack
// profiles write (pid 4242)"), so that a program that finds the board held
// can say by whom. The system lets go of the mutex when its holder dies;
// the next program takes it over.
//
// A mutex belongs to the thread that took it: a claim is taken and let go
// on the same thread, as the panel and the command line do.
class BoardMutexHid final : public ForwardingHidBackend {
 public:
  static constexpr DWORD kHolderBytes = 256;

  explicit BoardMutexHid(std::unique_ptr<HidBackend> inner);
  ~BoardMutexHid() override;
  BoardMutexHid(const BoardMutexHid&) = delete;
  BoardMutexHid& operator=(const BoardMutexHid&) = delete;

  // Remembers each board's serial for the mutex name.
  std::vector<HidDeviceInfo> Enumerate() override;
  // kWaitOk when held (also when held already), kWaitTimeout with *holder
  // when another program (or thread) holds it, kWaitFailed when the
  // mutex cannot be made. Never waits.
  int Claim(const std::string& path, const std::string& who, std::string* holder) override;
  void Release(const std::string& path) override;

  // "Local\velotrack-board-SERIAL-PATHHASH": the same board gets the same
  // name in every program; characters a name cannot hold are left out.
  static std::wstring MutexName(const std::u16string& serial, const std::string& path);

 private:
  struct Held {
    HANDLE mutex = nullptr;
    HANDLE holderBlock = nullptr;
  };
  std::u16string SerialOf(const std::string& path);

  std::unique_ptr<HidBackend> owned_;
  std::map<std::string, std::u16string> serials_;  // path -> serial, from enumeration
  std::map<std::string, Held> held_;
};

}  // namespace vt::platform::winhid
