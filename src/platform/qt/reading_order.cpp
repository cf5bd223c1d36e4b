#include "platform/qt/reading_order.h"

#include <QAbstractSlider>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <vector>

namespace vt::platform::qt {

namespace {

struct Unit {
  QRect rect;                   // in the client's coordinates
  QWidget* control = nullptr;   // a control that takes focus ...
  QWidget* container = nullptr; // ... or a page or group box around some
  std::vector<Unit> inner;
};

bool TakesTabFocus(const QWidget& w) {
  return (w.focusPolicy() & Qt::TabFocus) != 0 && w.focusProxy() == nullptr;
}

// Windows made inside another window (its pages) are plain widgets that
// hold controls; controls never have widget children of their own that
// matter here (a tab widget's bar stands for it).
bool IsPage(const QWidget& w) {
  return w.metaObject() == &QWidget::staticMetaObject && !w.isWindow();
}

bool Above(const QRect& a, const QRect& b) {  // a wholly above b, in its column
  return a.bottom() < b.top() && a.left() <= b.right() && b.left() <= a.right();
}

bool SameRow(const QRect& a, const QRect& b) {
  return (a.top() <= b.center().y() && b.center().y() <= a.bottom()) ||
         (b.top() <= a.center().y() && a.center().y() <= b.bottom());
}

// Reading order: repeatedly the topmost of what has nothing left above it,
// then whatever shares its row further left.
void Sort(std::vector<Unit>& units) {
  std::vector<Unit> sorted;
  while (!units.empty()) {
    auto free = [&](const Unit& u) {
      return std::none_of(units.begin(), units.end(),
                          [&](const Unit& other) { return Above(other.rect, u.rect); });
    };
    size_t best = units.size();
    for (size_t i = 0; i < units.size(); ++i) {
      if (!free(units[i])) continue;
      if (best == units.size() || units[i].rect.top() < units[best].rect.top()) best = i;
    }
    if (best == units.size()) best = 0;  // overlapping oddities: keep going
    for (size_t i = 0; i < units.size(); ++i) {
      if (i != best && free(units[i]) && SameRow(units[i].rect, units[best].rect) &&
          units[i].rect.left() < units[best].rect.left()) {
        best = i;
      }
    }
    sorted.push_back(std::move(units[best]));
    units.erase(units.begin() + static_cast<std::ptrdiff_t>(best));
  }
  units = std::move(sorted);
}

// The units directly inside `parent` (a window's client or a page), with
// controls gathered into the group boxes that frame them.
std::vector<Unit> Collect(QWidget& client, QWidget& parent) {
  std::vector<Unit> boxes;
  std::vector<Unit> loose;
  for (QObject* child : parent.children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || w->isWindow()) continue;
    const QRect rect(w->mapTo(&client, QPoint(0, 0)), w->size());
    if (qobject_cast<QGroupBox*>(w) != nullptr) {
      boxes.push_back({rect, nullptr, w, {}});
    } else if (IsPage(*w)) {
      Unit page{rect, nullptr, w, Collect(client, *w)};
      if (!page.inner.empty()) loose.push_back(std::move(page));
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      QWidget* bar = tabs->tabBar();
      loose.push_back({QRect(bar->mapTo(&client, QPoint(0, 0)), bar->size()), bar, nullptr, {}});
    } else if (TakesTabFocus(*w)) {
      loose.push_back({rect, w, nullptr, {}});
    }
  }
  // Each control goes into the smallest group box around its middle.
  std::vector<Unit> units;
  for (Unit& unit : loose) {
    Unit* home = nullptr;
    for (Unit& box : boxes) {
      if (unit.control == nullptr || !box.rect.contains(unit.rect.center())) continue;
      if (home == nullptr || box.rect.width() * box.rect.height() <
                                 home->rect.width() * home->rect.height()) {
        home = &box;
      }
    }
    if (home != nullptr) {
      home->inner.push_back(std::move(unit));
    } else {
      units.push_back(std::move(unit));
    }
  }
  for (Unit& box : boxes) {
    if (!box.inner.empty()) units.push_back(std::move(box));
  }
  return units;
}

void Flatten(std::vector<Unit>& units, std::vector<QWidget*>& order) {
  Sort(units);
  for (Unit& unit : units) {
    if (unit.control != nullptr) {
      order.push_back(unit.control);
    } else {
      Flatten(unit.inner, order);
    }
  }
}

// What names a control: a plain static text (framed fields show values).
bool IsCaption(const QLabel& label) {
  return !label.text().isEmpty() && label.frameShape() == QFrame::NoFrame;
}

bool NeedsLabel(const QWidget& w) {
  return qobject_cast<const QLineEdit*>(&w) != nullptr ||
         qobject_cast<const QComboBox*>(&w) != nullptr ||
         qobject_cast<const QAbstractSlider*>(&w) != nullptr ||
         qobject_cast<const QAbstractItemView*>(&w) != nullptr;
}

}  // namespace

void ArrangeTabOrder(QWidget& client) {
  std::vector<Unit> units = Collect(client, client);
  std::vector<QWidget*> order;
  Flatten(units, order);
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void AttachLabels(QWidget& client) {
  std::vector<QLabel*> captions;
  for (QLabel* label : client.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (IsCaption(*label)) captions.push_back(label);
  }
  for (QObject* child : client.children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || !NeedsLabel(*w)) continue;
    if (!w->accessibleName().isEmpty()) continue;
    const QRect place = w->geometry();
    QLabel* best = nullptr;
    int bestGap = std::numeric_limits<int>::max();
    for (QLabel* label : captions) {
      const QRect l = label->geometry();
      int gap = std::numeric_limits<int>::max();
      if (SameRow(l, place) && l.right() <= place.left()) {
        gap = place.left() - l.right();
      } else if (l.bottom() <= place.top() && l.left() <= place.left() + 4 &&
                 place.top() - l.bottom() < place.height()) {
        gap = 2 * (place.top() - l.bottom()) + 1000;  // above: only without one to the left
      }
      if (gap < bestGap) {
        bestGap = gap;
        best = label;
      }
    }
    if (best != nullptr && best->buddy() == nullptr) best->setBuddy(w);
  }
}

}  // namespace vt::platform::qt
