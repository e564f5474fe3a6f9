#include "group_frame.h"

#include <qdrawutil.h>

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <QStyle>

namespace norvik::ui {

int GroupFrame::frameTop() const {
  return QFontMetrics(font()).height() / 2;
}

void GroupFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // The title starts about one character in, with a little gap either side that the frame
  // line leaves open.
  const int gap = 2;
  const int indent = metrics.averageCharWidth() + 2;
  const QString text = title();
  QRect titleRect;
  if (!text.isEmpty()) {
    titleRect = QRect(indent, 0, metrics.horizontalAdvance(text) + 2 * gap, metrics.height());
  }

  // The etched frame: a dark line with a light one inside it, both one pixel wide.
  painter.save();
  painter.setClipRegion(QRegion(rect()).subtracted(QRegion(titleRect)));
  qDrawShadeRect(&painter, rect().adjusted(0, frameTop(), 0, 0), palette(), /*sunken=*/true,
                 /*lineWidth=*/1, /*midLineWidth=*/0);
  painter.restore();

  if (!titleRect.isEmpty()) {
    style()->drawItemText(&painter, titleRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), text, QPalette::WindowText);
  }
}

}  // namespace norvik::ui
