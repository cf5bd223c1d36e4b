#include "sim/wire/board_claims.h"

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

bool BoardClaims::Claim(const std::string& path, ClientId client, const std::string& who,
                        std::string* holder) {
  Holder* h = Current(path);
  if (h != nullptr && h->client != client) {
    *holder = h->who;
    return false;
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
}

std::string BoardClaims::HolderOf(const std::string& path) const {
  const auto it = holders_.find(path);
  return it == holders_.end() ? std::string() : it->second.who;
}

}  // namespace vt::sim
