#include "shell/qt/quit_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#include <memory>

namespace vt::shell::qt {

namespace {

// The write end is all a signal handler may touch.
int g_signalPipe[2] = {-1, -1};
std::unique_ptr<QSocketNotifier> g_notifier;

void OnSignal(int sig) {
  const char byte = 1;
  // Nothing to do about a full pipe: a close is already on its way.
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
  // A second signal ends the process at once, should the panel be stuck.
  std::signal(sig, SIG_DFL);
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

QuitOnSignal::QuitOnSignal(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
  if (g_signalPipe[0] != -1) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) {
    g_signalPipe[0] = g_signalPipe[1] = -1;
    return;
  }
  g_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(g_notifier.get(), &QSocketNotifier::activated, g_notifier.get(), [this] {
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    if (onSignal_) onSignal_();
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) sigaction(sig, &action, nullptr);
  installed_ = true;
}

QuitOnSignal::~QuitOnSignal() {
  if (!installed_) return;
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int sig : kSignals) sigaction(sig, &action, nullptr);
  g_notifier.reset();
  ::close(g_signalPipe[0]);
  ::close(g_signalPipe[1]);
  g_signalPipe[0] = g_signalPipe[1] = -1;
}

}  // namespace vt::shell::qt
