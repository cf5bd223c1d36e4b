#include "platform/hid_windows/board_mutex.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vt::platform::winhid {

namespace {

// FNV-1a: a short, stable stand-in for a path full of characters that a
// kernel object's name may not hold.
uint64_t PathHash(const std::string& path) {
  uint64_t h = 1469598103934665603ull;
  for (const char c : path) {
    h ^= static_cast<uint8_t>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::wstring HolderBlockName(const std::wstring& mutexName) { return mutexName + L"-holder"; }

// The holder's description from its memory block; empty when there is none
// (the holder has not written it yet, or is gone).
std::string ReadHolder(const std::wstring& mutexName) {
  const HANDLE block = OpenFileMappingW(FILE_MAP_READ, FALSE, HolderBlockName(mutexName).c_str());
  if (block == nullptr) return {};
  std::string who;
  if (const void* view = MapViewOfFile(block, FILE_MAP_READ, 0, 0, BoardMutexHid::kHolderBytes)) {
    const char* text = static_cast<const char*>(view);
    who.assign(text, strnlen(text, BoardMutexHid::kHolderBytes));
    UnmapViewOfFile(view);
  }
  CloseHandle(block);
  return who;
}

void WriteHolder(HANDLE block, const std::string& who) {
  void* view = MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, BoardMutexHid::kHolderBytes);
  if (view == nullptr) return;
  char* text = static_cast<char*>(view);
  const size_t n = std::min<size_t>(who.size(), BoardMutexHid::kHolderBytes - 1);
  std::memcpy(text, who.data(), n);
  text[n] = '\0';
  UnmapViewOfFile(view);
}

}  // namespace

BoardMutexHid::BoardMutexHid(std::unique_ptr<HidBackend> inner)
    : ForwardingHidBackend(*inner), owned_(std::move(inner)) {}

BoardMutexHid::~BoardMutexHid() {
  while (!held_.empty()) Release(held_.begin()->first);
}

std::wstring BoardMutexHid::MutexName(const std::u16string& serial, const std::string& path) {
  std::wstring name = L"Local\\velotrack-board-";
  for (const char16_t c : serial) {
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'.') {
      name += static_cast<wchar_t>(c);
    }
  }
  wchar_t hash[24];
  std::swprintf(hash, sizeof hash / sizeof hash[0], L"-%016llx", static_cast<unsigned long long>(PathHash(path)));
  return name + hash;
}

std::vector<HidDeviceInfo> BoardMutexHid::Enumerate() {
  std::vector<HidDeviceInfo> devices = Inner().Enumerate();
  for (const auto& d : devices) serials_[d.path] = d.serial;
  return devices;
}

std::u16string BoardMutexHid::SerialOf(const std::string& path) {
  if (serials_.count(path) == 0) Enumerate();
  const auto it = serials_.find(path);
  return it == serials_.end() ? std::u16string() : it->second;
}

int BoardMutexHid::Claim(const std::string& path, const std::string& who, std::string* holder) {
  if (held_.count(path) != 0) return kWaitOk;
  const std::wstring name = MutexName(SerialOf(path), path);
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return kWaitFailed;
  const DWORD waited = WaitForSingleObject(mutex, 0);
  // WAIT_ABANDONED: the holder ended without letting go; the board is this
  // program's now, as with a lock the kernel drops when its holder dies.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    if (waited != WAIT_TIMEOUT) return kWaitFailed;
    const std::string named = ReadHolder(name);
    *holder = named.empty() ? "another program" : named;
    return kWaitTimeout;
  }
  Held held{mutex, CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kHolderBytes,
                                      HolderBlockName(name).c_str())};
  if (held.holderBlock != nullptr) {
    WriteHolder(held.holderBlock, who + " (pid " + std::to_string(GetCurrentProcessId()) + ")");
  }
  held_[path] = held;
  return kWaitOk;
}

void BoardMutexHid::Release(const std::string& path) {
  const auto it = held_.find(path);
  if (it == held_.end()) return;
  if (it->second.holderBlock != nullptr) {
    WriteHolder(it->second.holderBlock, "");
    CloseHandle(it->second.holderBlock);
  }
  ReleaseMutex(it->second.mutex);
  CloseHandle(it->second.mutex);
  held_.erase(it);
}

}  // namespace vt::platform::winhid
