// QtUi: long board operations (busy cue, progress, held input and closes)
// and the bookkeeping of modal windows.
#include <QApplication>
#include <algorithm>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QProgressBar>
#include <QWidget>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"

namespace vt::platform::qt {

QWidget* QtUi::BusyLabel(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->busyLabel.data() : nullptr;
}

QWidget* QtUi::BusyBar(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->busyBar.data() : nullptr;
}

void QtUi::BeginOperation(WindowHandle window, const std::string& status) {
  if (operationDepth_++ > 0) return;
  operationWindow_ = window;
  close_.Reset();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  // The client area and the menu take no input; the frame stays enabled so
  // that the operation's own questions (owned by it) can be answered.
  if (entry->client && entry->client != entry->frame) entry->client->setEnabled(false);
  if (entry->frame) {
    if (QLayout* layout = entry->frame->layout(); layout && layout->menuBar()) {
      layout->menuBar()->setEnabled(false);
    }
  }
  if (auto* label = qobject_cast<QLabel*>(entry->busyLabel.data())) label->setText(ToQ(status));
  if (auto* bar = qobject_cast<QProgressBar*>(entry->busyBar.data())) {
    bar->setRange(0, 0);  // busy until the first progress arrives
    bar->setValue(0);
    bar->setVisible(true);
  }
}

void QtUi::OperationProgress(int done, int total) {
  if (operationDepth_ == 0) return;
  WindowEntry* entry = FindWindow(operationWindow_);
  auto* bar = entry ? qobject_cast<QProgressBar*>(entry->busyBar.data()) : nullptr;
  if (bar == nullptr) return;
  if (total <= 0) {
    bar->setRange(0, 0);
  } else {
    bar->setRange(0, total);
    bar->setValue(std::clamp(done, 0, total));
  }
}

void QtUi::EndOperation() {
  if (operationDepth_ == 0 || --operationDepth_ > 0) return;
  // What the user did during the last stretch is dropped too.
  PumpPaintMessages();
  QApplication::restoreOverrideCursor();
  const WindowHandle window = operationWindow_;
  operationWindow_ = kNoWindow;
  if (WindowEntry* entry = FindWindow(window)) {
    if (entry->client) entry->client->setEnabled(true);
    if (entry->frame) {
      if (QLayout* layout = entry->frame->layout(); layout && layout->menuBar()) {
        layout->menuBar()->setEnabled(true);
      }
    }
    if (auto* label = qobject_cast<QLabel*>(entry->busyLabel.data())) label->clear();
    if (auto* bar = qobject_cast<QProgressBar*>(entry->busyBar.data())) {
      bar->setRange(0, 1);
      bar->setValue(0);
      bar->setVisible(false);
    }
  }
  if (close_.TakeAtEnd()) Queue({window, EventKind::Close, 0, 0});
  ScheduleDrain();
}

// A close of a top-level window from the desktop (title bar, window manager).
void QtUi::RequestClose(WindowHandle window) {
  switch (RouteClose(operationDepth_ > 0, !modals_.empty())) {
    // Asked at the next repaint of the operation, outside this event.
    case CloseRoute::kHoldForOperation: close_.Asked(); return;
    case CloseRoute::kQueue: Queue({window, EventKind::Close, 0, 0}); return;
    case CloseRoute::kRaiseNow: Raise({window, EventKind::Close, 0, 0}); return;
  }
}

void QtUi::AskCloseDuringOperation() {
  if (!close_.AskNow(unattended_)) return;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Velotrack"),
                  QString::fromLatin1(kCloseDuringOperationQuestion),
                  QMessageBox::Yes | QMessageBox::No, Widget(operationWindow_));
  box.setDefaultButton(QMessageBox::No);
  close_.Answered(RunModal(box) == QMessageBox::Yes);
  if (close_.Pending()) {
    if (auto* label = qobject_cast<QLabel*>(BusyLabel(operationWindow_))) {
      label->setText(label->text() + QString::fromLatin1(kClosesWhenDoneNote));
    }
  }
}

int QtUi::RunModal(QDialog& dialog) {
  modals_.emplace_back(&dialog);
  const int result = dialog.exec();
  std::erase_if(modals_, [&dialog](const QPointer<QDialog>& d) { return d == &dialog || !d; });
  // What waited for the question (posted commands, a close) may run now.
  ScheduleDrain();
  return result;
}

void QtUi::CloseModals() {
  // Newest first: each one's loop ends, and its caller gets "cancel".
  for (auto it = modals_.rbegin(); it != modals_.rend(); ++it) {
    if (*it) (*it)->done(QDialog::Rejected);
  }
}

}  // namespace vt::platform::qt
