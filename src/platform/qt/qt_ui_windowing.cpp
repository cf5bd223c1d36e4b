// QtUi: the windows themselves: showing, moving, modal runs, destruction.
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/qt/desktop_settings.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"

namespace vt::platform::qt {

// ---- Windows ------------------------------------------------------------------

void QtUi::ShowLater(WindowHandle window) {
  // Shown once the current work (the window's initialisation) returns to the
  // loop, as a dialog appears after its initialisation.
  QMetaObject::invokeMethod(
      host_.get(),
      [this, window] {
        WindowEntry* entry = FindWindow(window);
        if (entry == nullptr || !entry->visible || !entry->frame) return;
        ShowWindow(window, true);
      },
      Qt::QueuedConnection);
}

int QtUi::RunModalDialog(uint16_t templateId, WindowHandle owner, const InitHandler& onInit) {
  const DialogTemplate* tpl = catalog_.FindDialog(templateId);
  if (tpl == nullptr) return -1;
  const WindowHandle handle = Build(*tpl, owner, true);
  windows_.at(handle).visible = true;
  if (onInit) onInit(handle);
  int result = kIdOk;
  if (unattended_) {
    if (modalResponder_) result = modalResponder_(handle);
  } else if (WindowEntry* entry = FindWindow(handle)) {
    auto* dialog = qobject_cast<QDialog*>(entry->frame.data());
    if (dialog != nullptr) {
      const int code = RunModal(*dialog);
      result = code == QDialog::Rejected ? kIdCancel : code;
    }
  }
  DestroyWindow(handle);
  return result;
}

void QtUi::DestroyWindow(WindowHandle window) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  std::vector<WindowHandle> children;
  for (const auto& [handle, w] : windows_) {
    if (w.parent == window) children.push_back(handle);
  }
  for (WindowHandle child : children) DestroyWindow(child);
  KillTimersOf(window);
  posted_.DropWindow(window);
  entry = FindWindow(window);
  if (entry == nullptr) return;
  SavePlace(*entry);
  QPointer<QWidget> frame = entry->frame;
  windows_.erase(window);
  if (frame) {
    frame->hide();
    // Deleted from the loop: the call may come from one of its own signals.
    frame->deleteLater();
  }
}

bool QtUi::IsWindow(WindowHandle window) const { return FindWindow(window) != nullptr; }

uint16_t QtUi::TemplateOf(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->templateId : 0;
}

WindowHandle QtUi::ParentOf(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->parent : kNoWindow;
}

void QtUi::ShowWindow(WindowHandle window, bool show) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || !entry->frame) return;
  entry->visible = show;
  if (!show) {
    entry->frame->hide();
    return;
  }
  const bool firstShow = entry->topLevel && !entry->placed;
  entry->placed = entry->placed || entry->topLevel;
  if (firstShow && entry->remembersPlace && RestoreWindowPlace(*entry->frame, entry->templateId)) {
    // Where the user left it last time.
  } else if (entry->topLevel && !entry->frame->isVisible() &&
             (entry->style & style::kCentreOnScreen)) {
    entry->frame->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = screen->availableGeometry();
      QRect frame = entry->frame->frameGeometry();
      frame.moveCenter(area.center());
      entry->frame->move(frame.topLeft());
    }
  }
  entry->frame->show();
  if (!entry->topLevel) entry->frame->raise();
}

void QtUi::SavePlace(const WindowEntry& entry) {
  if (entry.remembersPlace && entry.placed && entry.frame) {
    SaveWindowPlace(*entry.frame, entry.templateId);
  }
}

bool QtUi::IsWindowVisible(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry != nullptr && entry->visible;
}

void QtUi::MoveWindow(WindowHandle window, const Rect& place) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  entry->place = place;
  const Rect px = units_.ToPixels(place);
  if (!entry->topLevel && entry->frame) {
    entry->frame->setGeometry(px.x, px.y, px.width, px.height);
    ArrangeFocus(window);  // a page moved into place reads from there
  } else if (entry->client) {
    entry->client->setFixedSize(px.width, px.height);
  }
}

Rect QtUi::GetWindowRect(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->place : Rect{};
}

std::string QtUi::GetCaption(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->caption : std::string();
}

void QtUi::SetCaption(WindowHandle window, const std::string& caption) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  entry->caption = caption;
  if (entry->topLevel && entry->frame) entry->frame->setWindowTitle(ToQ(caption));
}

std::vector<WindowHandle> QtUi::WindowsOf(uint16_t templateId) const {
  std::vector<WindowHandle> found;
  for (const auto& [handle, entry] : windows_) {
    if (entry.templateId == templateId) found.push_back(handle);
  }
  return found;
}

QWidget* QtUi::Widget(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->frame.data() : nullptr;
}

}  // namespace vt::platform::qt
