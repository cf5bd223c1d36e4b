#include "platform/qt/qt_widgets.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <algorithm>

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

FieldLabel::FieldLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void FieldLabel::Refit() {
  const bool cut = fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 2 * margin();
  // The tooltip is the whole text only while the field cuts it.
  if (cut || cut_) setToolTip(cut ? text() : QString());
  cut_ = cut;
  update();
}

void FieldLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Refit();
}

void FieldLabel::paintEvent(QPaintEvent* event) {
  if (!cut_) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(margin() + 1, margin(), -margin() - 1, -margin());
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
  style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                        shown, foregroundRole());
}

Selector::Selector(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentTextChanged, this, [this] { Refit(); });
}

int Selector::FieldWidth() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
      .width();
}

void Selector::showPopup() {
  // The list opens as wide as its widest item (and never narrower than the
  // field).
  QAbstractItemView* list = view();
  const int frame = 2 * list->frameWidth() + 8;
  const int scrollBar = count() > maxVisibleItems()
                            ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list)
                            : 0;
  list->setMinimumWidth(std::max(width(), list->sizeHintForColumn(0) + frame + scrollBar));
  QComboBox::showPopup();
}

void Selector::resizeEvent(QResizeEvent* event) {
  QComboBox::resizeEvent(event);
  Refit();
}

void Selector::Refit() {
  const QString text = currentText();
  setToolTip(fontMetrics().horizontalAdvance(text) > FieldWidth() ? text : QString());
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
