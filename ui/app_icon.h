// Icon 128: a NAND chip in a socket, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace norvik::ui {

QPixmap appIconPixmap(int size);
QIcon appIcon();

}  // namespace norvik::ui
