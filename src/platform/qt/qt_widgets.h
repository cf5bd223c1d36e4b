#pragma once

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

// The tab strip with its frame. The pages are separate windows placed over
// it, so the widget's own tabs carry empty, transparent pages.
class TabControl final : public QTabWidget {
 public:
  explicit TabControl(QWidget* parent);
  void InsertTab(int index, const QString& text);
};

}  // namespace vt::platform::qt
