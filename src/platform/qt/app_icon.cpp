#include "platform/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace vt::platform::qt {

QImage DrawAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 64x64 grid.
  p.scale(size / 64.0, size / 64.0);

  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, 60, 60), 11, 11);
  p.fillPath(tile, QColor(0x1f, 0x4e, 0x79));
  p.save();
  p.setClipPath(tile);
  p.fillRect(QRectF(2, 2, 60, 30), QColor(0x2b, 0x6a, 0xa3));
  p.restore();

  const QColor arc(0x9f, 0xd3, 0xff);
  p.setPen(QPen(arc, 3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(12, 38, 40, 18), 180 * 16, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(arc);
  p.drawPolygon(QPolygonF({QPointF(8, 44), QPointF(14, 43), QPointF(11, 49)}));
  p.drawPolygon(QPolygonF({QPointF(56, 44), QPointF(50, 43), QPointF(53, 49)}));

  const QColor metal(0xd9, 0xe6, 0xeb);
  p.setPen(QPen(metal, 3.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(20, 22), QPointF(20, 42), QPointF(44, 42), QPointF(44, 22)}));
  p.setPen(Qt::NoPen);
  p.fillRect(QRectF(29, 42, 6, 8), metal);

  const QColor outline(0x0d, 0x2b, 0x45);
  p.setPen(QPen(outline, 1.5));
  p.setBrush(QColor(0xf2, 0xf2, 0xf2));
  p.drawRoundedRect(QRectF(21, 10, 9, 5), 1.5, 1.5);
  p.drawRoundedRect(QRectF(17, 14, 30, 20), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(outline);
  p.drawEllipse(QPointF(34, 24), 7, 7);
  p.setBrush(QColor(0x4f, 0x8f, 0xc9));
  p.drawEllipse(QPointF(34, 24), 4, 4);
  p.setBrush(QColor(0xe6, 0xf2, 0xff));
  p.drawEllipse(QPointF(32.5, 22.5), 1.3, 1.3);
  p.setBrush(QColor(0x46, 0xc3, 0x5a));
  p.drawEllipse(QPointF(22, 19), 1.8, 1.8);
  p.end();
  return image;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
  return icon;
}

}  // namespace vt::platform::qt
