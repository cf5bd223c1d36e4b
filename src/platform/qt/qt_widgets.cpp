#include "platform/qt/qt_widgets.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace vt::platform::qt {

namespace {
constexpr int kTickLength = 4;
}

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  // A track bar's default range; QSlider's own is 0-99.
  setRange(0, 100);
  setPageStep(20);
  setSingleStep(1);
  setFocusPolicy(Qt::StrongFocus);
}

void TrackBar::SetAutoTicks(bool on) {
  autoTicks_ = on;
  update();
}

void TrackBar::AddTick(int pos) {
  ticks_.insert(pos);
  update();
}

int TrackBar::PixelOf(int value) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  return groove.x() + handle.width() / 2 +
         QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, false);
}

void TrackBar::paintEvent(QPaintEvent* event) {
  QSlider::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
  const int bottom = height() - 1;
  auto tick = [&](int value) {
    if (value < minimum() || value > maximum()) return;
    const int x = PixelOf(value);
    painter.drawLine(x, bottom - kTickLength + 1, x, bottom);
  };
  tick(minimum());
  tick(maximum());
  if (autoTicks_) {
    for (int v = minimum() + 1; v < maximum(); ++v) tick(v);
  }
  for (int v : ticks_) tick(v);
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
  SliderAction action = SliderNoAction;
  switch (event->key()) {
    case Qt::Key_Up: action = SliderSingleStepSub; break;
    case Qt::Key_Down: action = SliderSingleStepAdd; break;
    case Qt::Key_PageUp: action = SliderPageStepSub; break;
    case Qt::Key_PageDown: action = SliderPageStepAdd; break;
    default: QSlider::keyPressEvent(event); return;
  }
  triggerAction(action);
  event->accept();
}

TabControl::TabControl(QWidget* parent) : QTabWidget(parent) {
  setDocumentMode(false);
  setUsesScrollButtons(false);
}

void TabControl::InsertTab(int index, const QString& text) {
  auto* page = new QWidget();
  page->setAttribute(Qt::WA_TransparentForMouseEvents);
  insertTab(index, page, text);
}

}  // namespace vt::platform::qt
