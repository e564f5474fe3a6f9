// Dialog units to pixels, as the Windows dialog manager converts them: the dialog font's base
// units are the average width of the 52 Latin letters (rounded the Windows way) and the font's
// character height (its em, see baseUnits); a dialog unit is a quarter of the former horizontally
// and an eighth of the latter vertically.
#pragma once

#include <QFont>
#include <QRect>

#include "app/dialog_template.h"

namespace norvik::ui {

struct BaseUnits {
  int x = 0;  // average character width, pixels
  int y = 0;  // character height, pixels
};

// The dialog font: the template's face first, then faces with the same metrics (half-width Latin,
// full-width CJK glyphs), then any CJK face, so that the Chinese captions never fall back to
// boxes.
QFont dialogFont(const app::DialogSpec& spec);

BaseUnits baseUnits(const QFont& font);

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);

QRect mapDialogRect(int x, int y, int width, int height, BaseUnits units);
QRect mapDialogRect(const app::ControlSpec& control, BaseUnits units);
QSize mapDialogSize(int width, int height, BaseUnits units);

// A text control's rectangle grown, about its centre, to at least one line of `font`: the CJK
// faces need more height than the em the template was laid out for.
QRect fitTextHeight(const QRect& rect, const QFont& font);

}  // namespace norvik::ui
