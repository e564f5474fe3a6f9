#include "about_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/dialog_template.h"
#include "app_icon.h"
#include "dialog_layout.h"

namespace norvik::ui {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  const app::DialogSpec& spec = app::aboutDialogTemplate();
  setFont(dialogFont(spec));
  const BaseUnits units = baseUnits(font());
  setWindowTitle(QString::fromUtf8(kAboutCaption));
  setWindowIcon(appIcon());
  setFixedSize(mapDialogSize(spec.width, spec.height, units));

  QWidget* previous = nullptr;
  for (const app::ControlSpec& c : spec.controls) {
    QWidget* widget = nullptr;
    const QRect rect = mapDialogRect(c, units);
    switch (c.kind) {
      case app::ControlKind::Icon: {
        // An icon control takes the size of its icon.
        auto* icon = new QLabel(this);
        icon->setPixmap(appIconPixmap(32));
        icon->setGeometry(QRect(rect.topLeft(), QSize(32, 32)));
        widget = icon;
        break;
      }
      case app::ControlKind::PushButton:
      case app::ControlKind::DefPushButton: {
        auto* button = new QPushButton(QString::fromUtf8(c.caption), this);
        button->setAutoDefault(false);
        button->setDefault(c.kind == app::ControlKind::DefPushButton);
        button->setGeometry(rect);
        if (c.id == 1) connect(button, &QPushButton::clicked, this, &QDialog::accept);
        widget = button;
        break;
      }
      default: {
        auto* label = new QLabel(QString::fromUtf8(c.caption), this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(fitTextHeight(rect, font()));
        widget = label;
        break;
      }
    }
    widget->setObjectName(QStringLiteral("control%1").arg(c.id));
    if ((c.style & app::kTabStop) != 0) {
      if (previous != nullptr) setTabOrder(previous, widget);
      previous = widget;
    }
  }
}

void AboutDialog::showEvent(QShowEvent* event) {
  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}

}  // namespace norvik::ui
