// Figures of the desktop panel, measured in-process with the same start-up
// code velotrack-panel runs:
//   - from process start to the main window shown (virtual board),
//   - resident memory once the panel is up,
//   - CPU share of an idle panel whose message poll runs with no board
//     attached,
// then Google Benchmark timings of repeated start-ups.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QFont>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/qt/dialog_units.h"
#include "shell/qt/panel_session.h"

namespace {

namespace fs = std::filesystem;
using vt::shell::qt::PanelSession;
using vt::shell::qt::PanelStartup;

fs::path ScratchDir() {
  const fs::path dir = fs::temp_directory_path() / ("velotrack-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir;
}

std::unique_ptr<PanelSession> StartPanel(const std::string& board) {
  PanelStartup startup;
  startup.options.boardAddress = board;
  startup.workDir = ScratchDir();
  startup.backupRoot = startup.workDir / "backups";
  startup.unattended = true;
  auto session = std::make_unique<PanelSession>(std::move(startup));
  if (!session->Start()) return nullptr;
  return session;
}

// Runs the loop until the main window is on screen.
bool WaitUntilShown(PanelSession& session) {
  QWidget* frame = session.Ui().Widget(session.Window()->Window());
  QElapsedTimer limit;
  limit.start();
  while (frame != nullptr && !frame->isVisible() && limit.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return frame != nullptr && frame->isVisible();
}

// Seconds since this process was started, from /proc.
double SecondsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  // Field 22 (starttime) is the 20th after the command name.
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  const double start = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return uptime - start;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return secs(usage.ru_utime) + secs(usage.ru_stime);
}

void PrintProcessFigures() {
  std::unique_ptr<PanelSession> panel = StartPanel("virtual");
  if (!panel || !WaitUntilShown(*panel)) {
    std::printf("start-up failed\n");
    return;
  }
  const double toShown = SecondsSinceProcessStart();
  std::printf("process start to main window shown (virtual board): %.3f s (target < 0.5 s)\n",
              toShown);
  std::printf("resident memory after start-up: %.1f MB (target < 80 MB)\n",
              static_cast<double>(ResidentKiB()) / 1024.0);
  panel.reset();

  // No board attached: the machine's own HID devices, where there is none.
  std::unique_ptr<PanelSession> idle = StartPanel("auto");
  if (!idle) {
    std::printf("idle panel: the HID backend could not be loaded here\n");
    return;
  }
  WaitUntilShown(*idle);
  const size_t ticks0 = idle->Ui().TimerTicks();
  const double cpu0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  loop.exec();
  const double share = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0);
  std::printf("idle panel with the poll running, no board: %.2f %% of one core (target < 2 %%), "
              "%zu poll ticks in %.1f s\n",
              share * 100.0, idle->Ui().TimerTicks() - ticks0,
              static_cast<double>(wall.elapsed()) / 1000.0);
}

void BM_PanelStartupToShown(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<PanelSession> panel = StartPanel("virtual");
    if (!panel || !WaitUntilShown(*panel)) {
      state.SkipWithError("start-up failed");
      break;
    }
    state.PauseTiming();
    panel.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PanelStartupToShown)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(vt::platform::qt::DialogFont());
  PrintProcessFigures();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(ScratchDir(), ec);
  return 0;
}
