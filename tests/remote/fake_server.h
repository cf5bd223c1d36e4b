#pragma once

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

#include "platform/sockets/socket_os.h"

// A scripted board server on a Unix socket (loopback TCP on Windows): every request frame is handed to
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
#ifdef _WIN32
    // Wine has no Unix sockets: on Windows the fake listens on loopback TCP.
    listenFd_ = vt::platform::sockets::OpenStream(AF_INET);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(Native(listenFd_), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t length = sizeof sa;
    getsockname(Native(listenFd_), reinterpret_cast<sockaddr*>(&sa), &length);
    address_ = "tcp:127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
#else
    const std::string path = (dir_ / "board.sock").string();
    listenFd_ = vt::platform::sockets::OpenStream(AF_UNIX);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path, path.c_str(), path.size() + 1);
    bind(Native(listenFd_), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    address_ = "unix:" + path;
#endif
    listen(Native(listenFd_), 4);
    thread_ = std::thread([this] { Run(); });
  }

  ~FakeServer() {
    stop_ = true;
#ifndef _WIN32
    shutdown(listenFd_, SHUT_RDWR);
#endif
    // Closing the socket ends the accept the server thread waits in.
    vt::platform::sockets::CloseSocket(listenFd_);
    thread_.join();
    std::filesystem::remove_all(dir_);
  }

  std::string Address() const { return address_; }
  int Connections() const { return connections_; }

  // A well-formed response frame around `body`.
  static std::vector<uint8_t> Frame(const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    Le32(out, static_cast<uint32_t>(body.size()));
    // (Not inserted when empty: GCC's -O3 then warns of reading nothing.)
    if (!body.empty()) out.insert(out.end(), body.begin(), body.end());
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
#ifdef _WIN32
  static SOCKET Native(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }
#else
  static int Native(int fd) { return fd; }
#endif

  static bool ReadAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
      const long got = vt::platform::sockets::RecvSome(fd, p, n);
      if (got <= 0) return false;
      p += got;
      n -= static_cast<size_t>(got);
    }
    return true;
  }

  static bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
      const long sent = vt::platform::sockets::SendSome(fd, p, n);
      if (sent <= 0) return false;
      p += sent;
      n -= static_cast<size_t>(sent);
    }
    return true;
  }

  void Run() {
    while (!stop_) {
      const int fd = vt::platform::sockets::AcceptClient(listenFd_);
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
        if (!WriteAll(fd, reply->data(), reply->size())) break;
      }
      vt::platform::sockets::CloseSocket(fd);
    }
  }

  Handler handler_;
  std::filesystem::path dir_;
  std::string address_;
  int listenFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};
