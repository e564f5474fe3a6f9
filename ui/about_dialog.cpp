#include "about_dialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "app/captions.h"
#include "app/dialog_host.h"
#include "app/dialog_template.h"
#include "app_icon.h"
#include "dialog_layout.h"
#include "template_widgets.h"

namespace norvik::ui {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  const app::DialogSpec& spec = app::aboutDialogTemplate();
  setFont(dialogFont(spec));
  const BaseUnits units = baseUnits(font());
  setWindowTitle(QString::fromUtf8(app::kAboutCaption));
  setWindowIcon(appIcon());
  setFixedSize(mapDialogSize(spec.width, spec.height, units));
  const TemplateWidgets widgets = buildTemplateWidgets(spec, this, units, nullptr);
  // "确定" is the OK command: it ends the box.
  if (auto* ok = qobject_cast<QPushButton*>(widgets.byId.value(app::kIdOk, nullptr))) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
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
