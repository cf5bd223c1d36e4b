// Figures of the desktop panel, measured in-process with the same start-up
// code velotrack-panel runs:
//   - from process start to the main window shown (virtual board),
//   - resident memory once the panel is up,
//   - CPU share of an idle panel, with no board attached and with a
//     virtual board attached, each over VT_IDLE_SECONDS (default 20) of the
//     real Qt event loop, and the HID primitives the idle panel called,
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
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/qt/dialog_units.h"
#include "platform/tracing/tracing_hid_backend.h"
#include "shell/qt/panel_session.h"

namespace {

namespace fs = std::filesystem;
using vt::shell::qt::PanelSession;
using vt::shell::PanelStartup;

fs::path ScratchDir() {
  const fs::path dir = fs::temp_directory_path() / ("velotrack-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir;
}

// Every HID primitive the panel calls, one line each.
struct CallLog {
  std::ostringstream lines;
  size_t Count() const {
    const std::string text = lines.str();
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }
};

std::unique_ptr<PanelSession> StartPanel(const std::string& board, CallLog* calls = nullptr) {
  PanelStartup startup;
  if (calls != nullptr) {
    startup.wrapBoard = [calls](vt::platform::HidBackend& inner) {
      return std::make_unique<vt::platform::TracingHidBackend>(inner, calls->lines);
    };
  }
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

// Paint events, all widgets together.
class PaintCounter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
  size_t paints = 0;
};

int IdleSeconds() {
  const char* text = std::getenv("VT_IDLE_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : 20;
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// Lets the shown panel sit in the real event loop for `seconds` and prints
// its CPU share of one core, its poll ticks and the HID primitives it called.
void MeasureIdle(const char* what, PanelSession& panel, const CallLog& calls, int seconds,
                 double targetPercent) {
  const size_t ticks0 = panel.Ui().TimerTicks();
  const size_t calls0 = calls.Count();
  PaintCounter painted;
  qApp->installEventFilter(&painted);
  const double cpu0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
  const double share = (CpuSeconds() - cpu0) / wallSeconds;
  qApp->removeEventFilter(&painted);
  std::printf("idle panel, %s: %.2f %% of one core (target <= %.1f %%) over %.1f s; "
              "%zu poll ticks, %zu HID calls, %zu paint events; load average %s\n",
              what, share * 100.0, targetPercent, wallSeconds, panel.Ui().TimerTicks() - ticks0,
              calls.Count() - calls0, painted.paints, LoadAverage().c_str());
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

  const int seconds = IdleSeconds();
  // No board attached: the machine's own HID devices, where there is none.
  CallLog noBoardCalls;
  std::unique_ptr<PanelSession> idle = StartPanel("auto", &noBoardCalls);
  if (!idle) {
    std::printf("idle panel: the HID backend could not be loaded here\n");
  } else {
    WaitUntilShown(*idle);
    MeasureIdle("no board", *idle, noBoardCalls, seconds, 0.3);
    idle.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  CallLog boardCalls;
  std::unique_ptr<PanelSession> attached = StartPanel("virtual", &boardCalls);
  if (!attached || !WaitUntilShown(*attached)) {
    std::printf("idle panel with a virtual board: start-up failed\n");
    return;
  }
  MeasureIdle("virtual board attached", *attached, boardCalls, seconds, 1.0);
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
