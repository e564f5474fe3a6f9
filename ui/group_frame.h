// A group box as the dialog manager draws one: the title at the top of the template's rectangle
// and the etched frame's top line through the middle of the title, not below it.
#pragma once

#include <QGroupBox>

namespace norvik::ui {

class GroupFrame final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

  // The row of the frame's top line, in the widget's coordinates: half a line of the font.
  int frameTop() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace norvik::ui
