#pragma once

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <set>

namespace vt::platform::qt {

// A horizontal slider that draws tick marks at chosen positions (besides the
// two ends), like a track bar given explicit ticks. With auto ticks it marks
// every position instead. Keys move it the way a track bar's keys do: Left
// and Up one step back, Right and Down one step on, Page Up a page back,
// Page Down a page on, Home and End to the ends.
class TrackBar final : public QSlider {
 public:
  explicit TrackBar(QWidget* parent);

  void SetAutoTicks(bool on);
  void AddTick(int pos);
  const std::set<int>& Ticks() const { return ticks_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int PixelOf(int value) const;

  std::set<int> ticks_;
  bool autoTicks_ = false;
};

// A framed one-line field (status, board message, serial number). Text too
// long for it is shown from its start, cut with an ellipsis at the end, and
// the whole text is its tooltip: centred, a long message would lose its
// beginning, which usually says what went wrong.
class FieldLabel final : public QLabel {
 public:
  FieldLabel(const QString& text, QWidget* parent);
  // Call after every setText: decides between the full and the cut text.
  void Refit();
  bool Cut() const { return cut_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool cut_ = false;
};

// A drop-down list whose items may be wider than its field: the list opens
// as wide as its longest item, and a selection too long for the field is
// its tooltip.
class Selector final : public QComboBox {
 public:
  explicit Selector(QWidget* parent);
  // The width the field's text has, in pixels.
  int FieldWidth() const;
  void showPopup() override;
  // Call after the selection changed with the signals blocked.
  void Refit();

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The tab strip with its frame. The pages are separate windows placed over
// it, so the widget's own tabs carry empty, transparent pages.
class TabControl final : public QTabWidget {
 public:
  explicit TabControl(QWidget* parent);
  void InsertTab(int index, const QString& text);
};

}  // namespace vt::platform::qt
