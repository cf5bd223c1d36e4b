#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A scripted board server on a Unix socket: every request frame is handed to
// a handler that returns the raw bytes to send back (frame header included,
// so tests can send broken frames) or nothing to drop the connection.
class FakeServer {
 public:
  using Handler = std::function<std::optional<std::vector<uint8_t>>(const std::vector<uint8_t>&)>;

  explicit FakeServer(Handler handler) : handler_(std::move(handler)) {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("vt_fake_server_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "board.sock").string();
    listenFd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path, path_.c_str(), path_.size() + 1);
    bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    listen(listenFd_, 4);
    thread_ = std::thread([this] { Run(); });
  }

  ~FakeServer() {
    stop_ = true;
    shutdown(listenFd_, SHUT_RDWR);
    close(listenFd_);
    thread_.join();
    std::filesystem::remove_all(dir_);
  }

  std::string Address() const { return "unix:" + path_; }
  int Connections() const { return connections_; }

  // A well-formed response frame around `body`.
  static std::vector<uint8_t> Frame(const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    Le32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }
  static void Le16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
  }
  static void Le32(std::vector<uint8_t>& v, uint32_t x) {
    Le16(v, static_cast<uint16_t>(x));
    Le16(v, static_cast<uint16_t>(x >> 16));
  }

 private:
  static bool ReadAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
      const ssize_t got = read(fd, p, n);
      if (got <= 0) return false;
      p += got;
      n -= static_cast<size_t>(got);
    }
    return true;
  }

  void Run() {
    while (!stop_) {
      const int fd = accept(listenFd_, nullptr, nullptr);
      if (fd < 0) return;
      ++connections_;
      for (;;) {
        uint8_t header[4];
        if (!ReadAll(fd, header, 4)) break;
        const uint32_t n = header[0] | header[1] << 8 | header[2] << 16 |
                           static_cast<uint32_t>(header[3]) << 24;
        std::vector<uint8_t> body(n);
        if (!ReadAll(fd, body.data(), n)) break;
        const auto reply = handler_(body);
        if (!reply) break;
        if (write(fd, reply->data(), reply->size()) < 0) break;
      }
      close(fd);
    }
  }

  Handler handler_;
  std::filesystem::path dir_;
  std::string path_;
  int listenFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};
