#include "sim/wire/board_claims.h"

#include <algorithm>
#include <iterator>

namespace vt::sim {

BoardClaims::Holder* BoardClaims::Current(const std::string& path) {
  const auto it = holders_.find(path);
  if (it == holders_.end()) return nullptr;
  if (static_cast<uint32_t>(clock_.NowMs() - it->second.lastSeenMs) > idleLapseMs_) {
    holders_.erase(it);
    return nullptr;
  }
  return &it->second;
}

BoardClaims::Holder* BoardClaims::FirstWaiter(const std::string& path) {
  const auto it = waiters_.find(path);
  if (it == waiters_.end()) return nullptr;
  auto& line = it->second;
  const uint32_t now = clock_.NowMs();
  std::erase_if(line, [&](const Holder& w) { return static_cast<uint32_t>(now - w.lastSeenMs) > kWaiterLapseMs; });
  if (line.empty()) {
    waiters_.erase(it);
    return nullptr;
  }
  return &line.front();
}

void BoardClaims::Wait(const std::string& path, ClientId client, const std::string& who) {
  auto& line = waiters_[path];
  const auto it = std::find_if(line.begin(), line.end(), [&](const Holder& w) { return w.client == client; });
  if (it != line.end()) {
    it->lastSeenMs = clock_.NowMs();
    return;
  }
  line.push_back({client, who, clock_.NowMs()});
}

bool BoardClaims::Claim(const std::string& path, ClientId client, const std::string& who,
                        std::string* holder) {
  Holder* h = Current(path);
  if (h != nullptr && h->client != client) {
    Wait(path, client, who);
    *holder = h->who;
    return false;
  }
  if (h == nullptr) {
    const Holder* next = FirstWaiter(path);
    if (next != nullptr && next->client != client) {
      *holder = next->who;
      Wait(path, client, who);
      return false;
    }
  }
  // Granted: out of the line, if it was in it.
  if (const auto it = waiters_.find(path); it != waiters_.end()) {
    std::erase_if(it->second, [&](const Holder& w) { return w.client == client; });
    if (it->second.empty()) waiters_.erase(it);
  }
  Holder& mine = holders_[path];
  mine.client = client;
  mine.who = who;
  mine.lastSeenMs = clock_.NowMs();
  return true;
}

bool BoardClaims::Release(const std::string& path, ClientId client) {
  const auto it = holders_.find(path);
  if (it == holders_.end() || it->second.client != client) return false;
  holders_.erase(it);
  return true;
}

bool BoardClaims::MayUse(const std::string& path, ClientId client) {
  Holder* h = Current(path);
  if (h == nullptr) return true;
  if (h->client != client) return false;
  h->lastSeenMs = clock_.NowMs();
  return true;
}

void BoardClaims::ReleaseAll(ClientId client) {
  for (auto it = holders_.begin(); it != holders_.end();) {
    it = it->second.client == client ? holders_.erase(it) : std::next(it);
  }
  for (auto it = waiters_.begin(); it != waiters_.end();) {
    std::erase_if(it->second, [&](const Holder& w) { return w.client == client; });
    it = it->second.empty() ? waiters_.erase(it) : std::next(it);
  }
}

std::string BoardClaims::HolderOf(const std::string& path) const {
  const auto it = holders_.find(path);
  return it == holders_.end() ? std::string() : it->second.who;
}

}  // namespace vt::sim
