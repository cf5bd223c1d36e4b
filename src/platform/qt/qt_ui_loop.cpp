// QtUi: construction, events, timers, posted commands, the loop, the paint
// pump and the questions (message boxes, file choices).
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/qt/desktop_settings.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/readable_palette.h"
#include "platform/qt/qt_ui.h"

namespace vt::platform::qt {

// While the paint pump runs, input from the user is taken out of the queue
// and dropped, so a click during a firmware update does not start anything
// once the update is over. Paints and the program's own events pass.
class InputDropper final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!active) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
      case QEvent::TabletMove:
      case QEvent::TabletRelease:
      case QEvent::NonClientAreaMouseButtonPress:
      case QEvent::NonClientAreaMouseButtonRelease:
      case QEvent::NonClientAreaMouseButtonDblClick:
        return true;
      case QEvent::Close:
        // A close asked for from the title bar; the program's own closes
        // are not spontaneous. Remembered, and asked about after the pump.
        if (event->spontaneous()) {
          closeAsked = true;
          return true;
        }
        return false;
      default:
        return false;
    }
  }
  bool active = false;
  bool closeAsked = false;
};

QtUi::QtUi(const TemplateCatalog& catalog)
    : catalog_(catalog),
      units_(DialogBaseUnits::FromFont(DialogFont())),
      host_(std::make_unique<QObject>()),
      dropper_(std::make_unique<InputDropper>()) {
  // Every text readable, greyed-out ones included, whatever the desktop's
  // palette (light or dark) starts as.
  QApplication::setPalette(ReadablePalette(QApplication::palette()));
}

QtUi::~QtUi() {
  for (auto& [handle, timer] : timers_) delete timer.timer;
  timers_.clear();
  // Top-level frames own everything else.
  std::vector<QPointer<QWidget>> frames;
  for (auto& [handle, entry] : windows_) {
    if (!entry.topLevel) continue;
    SavePlace(entry);
    frames.push_back(entry.frame);
  }
  windows_.clear();
  for (QPointer<QWidget>& frame : frames) delete frame.data();
}

void QtUi::SetEventHandler(EventHandler handler) { handler_ = std::move(handler); }

void QtUi::Raise(const UiEvent& event) {
  if (FindWindow(event.window) == nullptr || !handler_) return;
  // A copy, so that a handler may replace itself while it runs.
  EventHandler handler = handler_;
  handler(event);
}

// ---- Timers -------------------------------------------------------------------

void QtUi::SetTimer(WindowHandle window, uint16_t timerId, uint32_t periodMs) {
  if (FindWindow(window) == nullptr) return;
  TimerEntry& entry = timers_[{window, timerId}];
  if (entry.timer == nullptr) {
    entry.timer = new QTimer(host_.get());
    entry.timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(entry.timer, &QTimer::timeout, host_.get(), [this, window, timerId] {
      // A tick that comes while the paint pump runs or an operation waits
      // for an answer is dropped: the poll must not talk to the board in
      // the middle of an operation.
      if (pumping_ || operationDepth_ > 0) return;
      ++timerTicks_;
      Raise({window, EventKind::Timer, timerId, 0});
    });
  }
  entry.requestedMs = periodMs;
  entry.timer->start(static_cast<int>(std::max(periodMs, kMinTimerPeriodMs)));
}

bool QtUi::KillTimer(WindowHandle window, uint16_t timerId) {
  auto it = timers_.find({window, timerId});
  if (it == timers_.end()) return false;
  it->second.timer->stop();
  it->second.timer->deleteLater();
  timers_.erase(it);
  return true;
}

void QtUi::KillTimersOf(WindowHandle window) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == window) {
      it->second.timer->stop();
      it->second.timer->deleteLater();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

std::optional<uint32_t> QtUi::TimerPeriod(WindowHandle window, uint16_t timerId) const {
  auto it = timers_.find({window, timerId});
  if (it == timers_.end()) return std::nullopt;
  return it->second.requestedMs;
}

std::optional<uint32_t> QtUi::EffectiveTimerPeriod(WindowHandle window, uint16_t timerId) const {
  auto it = timers_.find({window, timerId});
  if (it == timers_.end()) return std::nullopt;
  return static_cast<uint32_t>(it->second.timer->interval());
}

// ---- Commands and the loop ----------------------------------------------------------

void QtUi::SendCommand(WindowHandle window, uint16_t commandId, uint16_t code) {
  Raise({window, EventKind::Command, commandId, code});
}

void QtUi::PostCommand(WindowHandle window, uint16_t commandId) {
  if (FindWindow(window) == nullptr) return;
  Queue({window, EventKind::Command, commandId, notify::kMenu});
}

void QtUi::PostClose(WindowHandle window) {
  if (FindWindow(window) == nullptr) return;
  Queue({window, EventKind::Close, 0, 0});
}

void QtUi::Queue(const UiEvent& event) {
  posted_.Push(event);
  ScheduleDrain();
}

void QtUi::ScheduleDrain() {
  if (drainScheduled_ || posted_.Empty()) return;
  drainScheduled_ = true;
  QMetaObject::invokeMethod(host_.get(), [this] { DrainOne(); }, Qt::QueuedConnection);
}

void QtUi::DrainOne() {
  drainScheduled_ = false;
  UiEvent event;
  const PostedEvents::LoopState state{pumping_, quitCode_.has_value(), !modals_.empty(),
                                      operationDepth_ > 0};
  switch (posted_.Next(state, &event)) {
    case PostedEvents::Step::kWait: return;
    case PostedEvents::Step::kCloseQuestions: CloseModals(); return;
    case PostedEvents::Step::kRaise: break;
  }
  // One at a time, so paints and timers run between posted commands.
  ScheduleDrain();
  Raise(event);
}

void QtUi::PostQuit(int exitCode) {
  if (quitCode_) return;
  quitCode_ = exitCode;
  QMetaObject::invokeMethod(
      host_.get(), [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

int QtUi::RunMessageLoop() {
  if (quitCode_) return *quitCode_;
  ScheduleDrain();
  const int code = QCoreApplication::exec();
  return quitCode_.value_or(code);
}

void QtUi::PumpPaintMessages() {
  if (pumping_) return;
  pumping_ = true;
  dropper_->active = true;
  qApp->installEventFilter(dropper_.get());
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(dropper_.get());
  dropper_->active = false;
  if (dropper_->closeAsked) {
    dropper_->closeAsked = false;
    close_.Asked();
  }
  if (operationDepth_ > 0) AskCloseDuringOperation();
  pumping_ = false;
  ++paintPumps_;
  if (pumpObserver_) pumpObserver_();
  ScheduleDrain();
}

bool QtUi::WatchDevices(WindowHandle window, DeviceWatch* watch) {
  if (FindWindow(window) == nullptr || watch == nullptr || watch->ReadableFd() < 0) return false;
  delete deviceNotifier_;
  deviceNotifier_ = new QSocketNotifier(watch->ReadableFd(), QSocketNotifier::Read, host_.get());
  QObject::connect(deviceNotifier_, &QSocketNotifier::activated, host_.get(), [this, window, watch] {
    if (!watch->TakeChanges() || FindWindow(window) == nullptr) return;
    if (posted_.PushDeviceChange(window)) ScheduleDrain();
  });
  return true;
}

// ---- Questions ----------------------------------------------------------------------

void QtUi::SetScript(UiScript* script) { script_ = script ? script : &ownScript_; }

MessageAnswer QtUi::MessageBox(const MessageBoxRequest& request) {
  if (unattended_ || script_->HasQueuedAnswer()) return script_->Answer(request);

  QMessageBox::StandardButtons buttons;
  switch (request.buttons) {
    case MessageButtons::Ok: buttons = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.icon) {
    case MessageIcon::None: icon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: icon = QMessageBox::Information; break;
    case MessageIcon::Question: icon = QMessageBox::Question; break;
    case MessageIcon::Warning: icon = QMessageBox::Warning; break;
    case MessageIcon::Error: icon = QMessageBox::Critical; break;
  }
  QMessageBox box(icon, ToQ(request.caption), ToQ(request.text), buttons, Widget(request.owner));
  box.setTextFormat(Qt::PlainText);
  // Enter on a question takes the answer that changes nothing.
  switch (UiScript::SafeDefault(request.buttons)) {
    case MessageAnswer::No: box.setDefaultButton(QMessageBox::No); break;
    case MessageAnswer::Cancel: box.setDefaultButton(QMessageBox::Cancel); break;
    default: break;
  }
  const int pressed = RunModal(box);
  switch (pressed) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default:
      // Escape or the title bar's close: what changes nothing.
      return UiScript::SafeDefault(request.buttons);
  }
}

std::optional<std::string> QtUi::ChooseFile(const FileDialogRequest& request) {
  if (unattended_ || script_->HasQueuedFile()) return script_->ChooseFile(request);

  QFileDialog dialog(Widget(request.owner), ToQ(request.title));
  QStringList filters;
  for (const FileFilter& filter : request.filters) {
    filters << QStringLiteral("%1 (%2)").arg(ToQ(filter.name), ToQ(filter.pattern));
  }
  dialog.setNameFilters(filters);
  // "*.dat" names the extension a bare file name gets.
  QString suffix = ToQ(request.defaultExtension);
  const qsizetype dot = suffix.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) suffix = suffix.mid(dot + 1);
  if (!suffix.contains(QLatin1Char('*'))) dialog.setDefaultSuffix(suffix);
  if (request.mode == FileDialogMode::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The callers ask about overwriting themselves where it matters.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  // Each kind of file (by its extension) starts in the folder the last one
  // came from.
  const QString kind = suffix.isEmpty() || suffix.contains(QLatin1Char('*')) ? QString() : suffix;
  if (const QString folder = LastFolder(kind); !folder.isEmpty()) dialog.setDirectory(folder);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().front();
  RememberFolder(kind, chosen);
  return FromQ(chosen);
}

}  // namespace vt::platform::qt
