#include "app_icon.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>

namespace norvik::ui {

QPixmap appIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;

  // Pins: four on each side.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(190, 190, 196));
  const qreal pinLength = s * 0.14;
  const qreal pinThickness = s * 0.08;
  for (int i = 0; i < 4; ++i) {
    const qreal y = s * 0.22 + i * s * 0.17;
    painter.drawRect(QRectF(s * 0.06, y, pinLength, pinThickness));
    painter.drawRect(QRectF(s - s * 0.06 - pinLength, y, pinLength, pinThickness));
  }

  // Body with a notch and a pin-1 dot.
  const QRectF body(s * 0.18, s * 0.12, s * 0.64, s * 0.76);
  painter.setBrush(QColor(38, 42, 52));
  painter.setPen(QPen(QColor(12, 14, 18), s / 32.0));
  painter.drawRoundedRect(body, s * 0.05, s * 0.05);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(90, 96, 110));
  painter.drawEllipse(QPointF(s * 0.5, s * 0.12), s * 0.08, s * 0.08);
  painter.setBrush(QColor(200, 0, 0));
  painter.drawEllipse(QPointF(s * 0.30, s * 0.27), s * 0.045, s * 0.045);

  // Two stacked dies, marking a two-socket programmer.
  painter.setBrush(QColor(212, 175, 55));
  painter.drawRect(QRectF(s * 0.34, s * 0.40, s * 0.32, s * 0.12));
  painter.drawRect(QRectF(s * 0.34, s * 0.60, s * 0.32, s * 0.12));
  return pixmap;
}

QIcon appIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64}) icon.addPixmap(appIconPixmap(size));
  return icon;
}

}  // namespace norvik::ui
