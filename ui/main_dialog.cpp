#include "main_dialog.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

#include "about_dialog.h"
#include "app/captions.h"
#include "app/dialog_template.h"
#include "app_icon.h"

namespace norvik::ui {

namespace {

bool isEnter(const QKeyEvent& key) {
  if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
  return key.modifiers() == Qt::NoModifier || key.modifiers() == Qt::KeypadModifier;
}

}  // namespace

MainDialog::MainDialog(const std::string& backendName, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      host_(std::make_unique<QtDialogHost>(this)) {
  setWindowTitle(QString::fromUtf8(app::windowCaption(backendName).c_str()));
  setWindowIcon(appIcon());
  const app::DialogSpec& spec = app::mainDialogTemplate();
  setFont(dialogFont(spec));
  units_ = ui::baseUnits(font());
  setFixedSize(mapDialogSize(spec.width, spec.height, units_));
  widgets_ = buildTemplateWidgets(spec, this, units_, this);
  for (auto it = widgets_.byId.cbegin(); it != widgets_.byId.cend(); ++it) {
    host_->addControl(it.key(), it.value(), widgets_.radioGroup.value(it.key(), nullptr));
    if (auto* button = qobject_cast<QAbstractButton*>(it.value())) {
      const int id = it.key();
      connect(button, &QAbstractButton::clicked, this, [this, id] { controller_->click(id); });
    }
  }
  buildSystemMenu();
  controller_ = std::make_unique<app::HostController>(*this, *host_);
  controller_->onStartupFinished = [this] { emit startupFinished(); };
  controller_->onIdle = [this] { emit becameIdle(); };
  focusControl(app::ids::kExit);
}

MainDialog::~MainDialog() {
  controller_.reset();  // waits for the device thread while the window still answers it
}

void MainDialog::buildSystemMenu() {
  systemMenu_ = new QMenu(this);
  systemMenu_->setObjectName(QStringLiteral("systemMenu"));
  QAction* minimise = systemMenu_->addAction(QStringLiteral("最小化(&N)"));
  connect(minimise, &QAction::triggered, this, &QWidget::showMinimized);
  QAction* close = systemMenu_->addAction(QStringLiteral("关闭(&C)\tAlt+F4"));
  connect(close, &QAction::triggered, this, [this] { controller_->cancelCommand(); });
  // The About entry, behind a separator (string 101, command 16).
  systemMenu_->addSeparator();
  aboutAction_ = systemMenu_->addAction(QString::fromUtf8(app::kAboutMenuText));
  aboutAction_->setData(app::kAboutCommandId);
  connect(aboutAction_, &QAction::triggered, this, [this] { controller_->aboutCommand(); });
  // "拷贝后校验": its state is the controller's, shown afresh whenever the menu opens.
  verifyAction_ = systemMenu_->addAction(QString::fromUtf8(app::kVerifyAfterCopyMenuText));
  verifyAction_->setData(app::kVerifyAfterCopyCommandId);
  verifyAction_->setCheckable(true);
  connect(systemMenu_, &QMenu::aboutToShow, this,
          [this] { verifyAction_->setChecked(controller_->verifyAfterCopy()); });
  connect(verifyAction_, &QAction::triggered, this, [this] {
    controller_->setVerifyAfterCopy(!controller_->verifyAfterCopy());
    verifyAction_->setChecked(controller_->verifyAfterCopy());
  });
}

void MainDialog::showSystemMenu(const QPoint& globalPos) {
  systemMenu_->popup(globalPos);
}

void MainDialog::setControlEnabled(int id, bool enabled) {
  if (QWidget* widget = control(id)) widget->setEnabled(enabled);
}

void MainDialog::setControlVisible(int id, bool visible) {
  if (QWidget* widget = control(id)) widget->setVisible(visible);
}

int MainDialog::idOf(const QWidget* widget) const {
  if (widget == nullptr) return 0;
  const QVariant id = widget->property("controlId");
  return id.isValid() && widget->parentWidget() == this ? id.toInt() : 0;
}

int MainDialog::focusedControl() {
  return idOf(focusWidget());
}

void MainDialog::focusControl(int id) {
  if (QWidget* widget = control(id)) widget->setFocus(Qt::OtherFocusReason);
}

void MainDialog::showAbout() {
  if (!about_) {
    about_ = new AboutDialog(this);
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->setWindowModality(Qt::ApplicationModal);
  }
  about_->show();
  about_->raise();
}

void MainDialog::endDialog(app::DialogEnd how) {
  QDialog::done(how == app::DialogEnd::Cancelled ? QDialog::Rejected : QDialog::Accepted);
}

void MainDialog::postToWindow(std::function<void()> call) {
  posted_.push(std::move(call));
  // Queued on this object: dropped if the window is gone before it runs.
  QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void MainDialog::pumpUntil(const std::function<bool()>& done) {
  // Every job that ends with the queue empty posts an event here, so this wakes up for it.
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void MainDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  controller_->windowShown();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  if (handleKey(this, *event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (handleKey(qobject_cast<QWidget*>(watched), *static_cast<QKeyEvent*>(event))) return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool MainDialog::handleKey(QWidget* focus, const QKeyEvent& key) {
  if (isEnter(key)) {
    controller_->enterKey(idOf(focus));
    return true;
  }
  if (key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier) {
    controller_->cancelCommand();
    return true;
  }
  // Window managers keep Alt+Space for their own window menu, which has no About entry, so the
  // About box has keys of its own: F1 opens it directly, and Shift+F10 opens this menu (the
  // Menu key does too, through the context-menu event it raises).
  if (key.key() == Qt::Key_F1 && key.modifiers() == Qt::NoModifier) {
    controller_->aboutCommand();
    return true;
  }
  const bool menuKey = key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier;
  if (menuKey || (key.key() == Qt::Key_Space && key.modifiers() == Qt::AltModifier)) {
    showSystemMenu(menuPosition(focus));
    return true;
  }
  return false;
}

QPoint MainDialog::menuPosition(QWidget* focus) const {
  // Below the focused control, as a keyboard-opened context menu sits; else the window's corner.
  if (focus != nullptr && focus != this && isAncestorOf(focus)) {
    return focus->mapToGlobal(QPoint(0, focus->height()));
  }
  return mapToGlobal(QPoint(0, 0));
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
  // A right click on the background, a label, a frame or a progress bar opens the system menu;
  // controls with menus of their own (the edits) never pass theirs on.
  if (event->reason() == QContextMenuEvent::Keyboard) {
    // The Menu key on a control without a menu of its own.
    showSystemMenu(menuPosition(focusWidget()));
    event->accept();
    return;
  }
  QWidget* under = childAt(event->pos());
  if (under == nullptr || qobject_cast<QLabel*>(under) != nullptr ||
      qobject_cast<QGroupBox*>(under) != nullptr || qobject_cast<QProgressBar*>(under) != nullptr) {
    showSystemMenu(event->globalPos());
    event->accept();
    return;
  }
  event->ignore();
}

}  // namespace norvik::ui
