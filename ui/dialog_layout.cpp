#include "dialog_layout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace norvik::ui {

QFont dialogFont(const app::DialogSpec& spec) {
  QFont font;
  // "Noto Sans Mono CJK SC" has the advance widths of 宋体 (Latin 6 px, CJK 12 px at 9 points),
  // so a template laid out for 宋体 keeps its horizontal proportions.
  font.setFamilies({QString::fromUtf8(spec.fontFace), QStringLiteral("SimSun"),
                    QStringLiteral("NSimSun"), QStringLiteral("Noto Sans Mono CJK SC"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPointSize(spec.fontPoints);
  return font;
}

BaseUnits baseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // 宋体's character cell is exactly one em high; the CJK faces that stand in for it carry extra
  // line spacing (17 px instead of 12 at 9 points) that would stretch the dialog by 40 %. The em
  // keeps the template's proportions whichever face is installed.
  const int height = std::max(QFontInfo(font).pixelSize(), 1);
  return BaseUnits{(width / 26 + 1) / 2, std::min(metrics.height(), height)};
}

int mulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = std::llabs(static_cast<long long>(c)) / 2;
  const bool negative = (product < 0) != (c < 0);
  const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect mapDialogRect(int x, int y, int width, int height, BaseUnits units) {
  return QRect(mulDiv(x, units.x, 4), mulDiv(y, units.y, 8), mulDiv(width, units.x, 4),
               mulDiv(height, units.y, 8));
}

QRect mapDialogRect(const app::ControlSpec& control, BaseUnits units) {
  return mapDialogRect(control.x, control.y, control.width, control.height, units);
}

QSize mapDialogSize(int width, int height, BaseUnits units) {
  return QSize(mulDiv(width, units.x, 4), mulDiv(height, units.y, 8));
}

QRect fitTextHeight(const QRect& rect, const QFont& font) {
  const int line = QFontMetrics(font).height();
  if (rect.height() >= line) return rect;
  const int grow = line - rect.height();
  return rect.adjusted(0, -grow / 2, 0, grow - grow / 2);
}

}  // namespace norvik::ui
