// The About box (template 100): the icon, a product line, a rights line and "确定".
#pragma once

#include <QDialog>

namespace norvik::ui {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace norvik::ui
