#include "main_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>
#include <algorithm>
#include <iterator>
#include <utility>

#include "about_dialog.h"
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app_icon.h"
#include "group_frame.h"

namespace norvik::ui {

namespace {

bool isEnter(const QKeyEvent& key) {
  if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
  return key.modifiers() == Qt::NoModifier || key.modifiers() == Qt::KeypadModifier;
}

}  // namespace

MainDialog::MainDialog(Options options, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      options_(std::move(options)),
      host_(std::make_unique<QtDialogHost>(this)) {
  QString caption = QString::fromUtf8(kWindowCaption);
  if (options_.simulated) {
    caption += QString::fromUtf8(kSimulatorCaptionMark);
  } else if (!options_.deviceBackend.empty()) {
    caption += QStringLiteral(" [%1]").arg(QString::fromStdString(options_.deviceBackend));
  }
  setWindowTitle(caption);
  setWindowIcon(appIcon());
  buildControls();
  buildSystemMenu();
  if (QWidget* exit = control(app::ids::kExit)) exit->setFocus(Qt::OtherFocusReason);

  // The executor reports running out of work on the device thread; the window takes it up on
  // its own thread.
  executor_ = std::make_unique<app::DeviceExecutor>(
      [this] { QMetaObject::invokeMethod(this, "onIdle", Qt::QueuedConnection); });
}

MainDialog::~MainDialog() {
  drainExecutor();
}

void MainDialog::buildControls() {
  const app::DialogSpec& spec = app::mainDialogTemplate();
  setFont(dialogFont(spec));
  units_ = ui::baseUnits(font());
  setFixedSize(mapDialogSize(spec.width, spec.height, units_));

  QHash<int, QButtonGroup*> radioGroups;
  QWidget* previousTab = nullptr;
  std::vector<QWidget*> groupBoxes;
  for (const app::ControlSpec& c : spec.controls) {
    const QString caption = QString::fromUtf8(c.caption);
    QWidget* widget = nullptr;
    QButtonGroup* radioGroup = nullptr;
    bool takesKeys = true;
    switch (c.kind) {
      case app::ControlKind::PushButton:
      case app::ControlKind::DefPushButton: {
        auto* button = new QPushButton(caption, this);
        // Enter is dispatched by the window itself: on a focused button it clicks that button.
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
      }
      case app::ControlKind::GroupBox: {
        auto* group = new GroupFrame(caption, this);
        // A frame only: clicks pass through to the dialog.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        groupBoxes.push_back(group);
        widget = group;
        takesKeys = false;
        break;
      }
      case app::ControlKind::Label: {
        const bool startupText = std::find(std::begin(kStartupLabels), std::end(kStartupLabels),
                                           c.id) != std::end(kStartupLabels);
        auto* label = new QLabel(startupText ? QString() : caption, this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(caption.contains(QLatin1Char('\n')) || c.height >= 16);
        if ((c.style & app::kRedText) != 0) {
          QPalette palette = label->palette();
          palette.setColor(QPalette::WindowText, QColor((app::kDialogColourRed >> 16) & 0xFF,
                                                        (app::kDialogColourRed >> 8) & 0xFF,
                                                        app::kDialogColourRed & 0xFF));
          label->setPalette(palette);
        }
        widget = label;
        takesKeys = false;
        break;
      }
      case app::ControlKind::HexEdit: {
        auto* edit = new QLineEdit(caption, this);
        // Typed letters become capitals; text the program sets (the program length, "%x") stays
        // as it is written, which a validator would not allow.
        connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
          const QString upper = text.toUpper();
          if (upper == text) return;
          const int cursor = edit->cursorPosition();
          edit->setText(upper);
          edit->setCursorPosition(cursor);
        });
        widget = edit;
        break;
      }
      case app::ControlKind::LogEdit: {
        auto* log = new QPlainTextEdit(this);
        log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        log->setTabChangesFocus(true);
        widget = log;
        break;
      }
      case app::ControlKind::CheckBox:
        widget = new QCheckBox(caption, this);
        break;
      case app::ControlKind::RadioButton: {
        auto* radio = new QRadioButton(caption, this);
        radio->setAutoExclusive(false);
        QButtonGroup*& group = radioGroups[c.radioGroup];
        if (group == nullptr) {
          group = new QButtonGroup(this);
          group->setExclusive(true);  // all may still start unchecked
        }
        group->addButton(radio);
        radioGroup = group;
        widget = radio;
        break;
      }
      case app::ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        widget = bar;
        takesKeys = false;
        break;
      }
      case app::ControlKind::Icon: {
        auto* icon = new QLabel(this);
        icon->setPixmap(appIconPixmap(32));
        widget = icon;
        takesKeys = false;
        break;
      }
    }

    const bool textLine = c.kind == app::ControlKind::Label ||
                          c.kind == app::ControlKind::CheckBox ||
                          c.kind == app::ControlKind::RadioButton;
    const QRect rect = mapDialogRect(c, units_);
    widget->setGeometry(textLine ? fitTextHeight(rect, font()) : rect);
    widget->setObjectName(QStringLiteral("control%1").arg(c.id));
    widget->setProperty("controlId", c.id);
    if ((c.style & app::kHidden) != 0) widget->hide();

    if (takesKeys) {
      // Without a tab stop a control still takes the focus when clicked (the radios).
      if ((c.style & app::kTabStop) == 0) widget->setFocusPolicy(Qt::ClickFocus);
      widget->installEventFilter(this);
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
      if (previousTab != nullptr) setTabOrder(previousTab, widget);
      previousTab = widget;
    }

    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && c.id != app::kStaticId) {
      const int id = c.id;
      connect(button, &QAbstractButton::clicked, this, [this, id] {
        if (id == app::ids::kExit) {
          cancelCommand();
          return;
        }
        const auto job = clickJobs_.constFind(id);
        if (job != clickJobs_.cend() && !ending_) post(*job, /*isStartup=*/false, id);
      });
    }

    widgets_.push_back(widget);
    if (c.id != app::kStaticId) {
      controlsById_.insert(c.id, widget);
      host_->addControl(c.id, widget, radioGroup);
    }
  }

  // Stacking as the dialog manager does it: the first control of the template on top. Group
  // boxes are frames behind everything.
  std::for_each(widgets_.rbegin(), widgets_.rend(), [](QWidget* widget) { widget->raise(); });
  for (QWidget* group : groupBoxes) group->lower();
}

void MainDialog::buildSystemMenu() {
  systemMenu_ = new QMenu(this);
  systemMenu_->setObjectName(QStringLiteral("systemMenu"));
  QAction* minimise = systemMenu_->addAction(QStringLiteral("最小化(&N)"));
  connect(minimise, &QAction::triggered, this, &QWidget::showMinimized);
  QAction* close = systemMenu_->addAction(QStringLiteral("关闭(&C)\tAlt+F4"));
  connect(close, &QAction::triggered, this, &MainDialog::cancelCommand);
  // The About entry, behind a separator (string 101, command 16).
  systemMenu_->addSeparator();
  aboutAction_ = systemMenu_->addAction(QString::fromUtf8(app::kAboutMenuText));
  aboutAction_->setData(app::kAboutCommandId);
  connect(aboutAction_, &QAction::triggered, this, [this] { showAbout(); });
}

void MainDialog::setClickJob(int id, Job job) {
  clickJobs_.emplace(id, std::move(job));
}

QWidget* MainDialog::control(int id) const {
  return controlsById_.value(id, nullptr);
}

bool MainDialog::busy() const {
  return executor_ && executor_->busy();
}

void MainDialog::showSystemMenu(const QPoint& globalPos) {
  systemMenu_->popup(globalPos);
}

AboutDialog* MainDialog::showAbout() {
  if (!about_) {
    about_ = new AboutDialog(this);
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->setWindowModality(Qt::ApplicationModal);
  }
  about_->show();
  about_->raise();
  return about_;
}

void MainDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  if (QWidget* exit = control(app::ids::kExit)) exit->setFocus(Qt::OtherFocusReason);
  if (startupJob_) {
    // Start-up writes these labels more than once (the first probe knows no page sizes yet);
    // they appear once it is done, with what it found.
    for (const int id : kStartupLabels) {
      if (QWidget* label = control(id)) label->hide();
    }
    post(startupJob_, /*isStartup=*/true);
  } else {
    QMetaObject::invokeMethod(this, "onStartupJobDone", Qt::QueuedConnection);
  }
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
    // On a push button Enter clicks that button; anywhere else it is the OK command (a line
    // break is never typed into the log box).
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
      if (button->isEnabled()) button->click();
      return true;
    }
    okCommand();
    return true;
  }
  if (key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier) {
    cancelCommand();
    return true;
  }
  // Window managers keep Alt+Space for their own window menu, which has no About entry, so the
  // About box has keys of its own: F1 opens it directly, and Shift+F10 opens this menu (the
  // Menu key does too, through the context-menu event it raises).
  if (key.key() == Qt::Key_F1 && key.modifiers() == Qt::NoModifier) {
    if (!ending_) showAbout();
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

void MainDialog::post(Job job, bool isStartup, int clickedId) {
  setBusyLook(true);
  if (clickedId != 0) runningClick_ = clickedId;
  executor_->post([this, job = std::move(job), isStartup](std::stop_token stop) {
    job(stop);
    if (isStartup) QMetaObject::invokeMethod(this, "onStartupJobDone", Qt::QueuedConnection);
  });
}

void MainDialog::onStartupJobDone() {
  for (const int id : kStartupLabels) {
    if (QWidget* label = control(id)) label->show();
  }
  // With nothing else queued the window looks idle again before start-up is reported done.
  if (!draining_ && !ending_ && !executor_->busy()) setBusyLook(false);
  emit startupFinished();
}

void MainDialog::onIdle() {
  if (draining_ || !executor_ || executor_->busy()) return;  // more work came in meanwhile
  if (ending_) {
    continueEnd();
    return;
  }
  runningClick_ = 0;
  setBusyLook(false);
  emit becameIdle();
}

void MainDialog::setBusyLook(bool busy) {
  if (busy == busyLook_) return;
  busyLook_ = busy;
  if (busy) {
    // Disabling the focused control moves the focus on; it comes back when the work is done,
    // unless the user has put it somewhere else meanwhile.
    QWidget* focus = focusWidget();
    focusBeforeBusy_ = nullptr;
    for (const int id : kBusyDisabledControls) {
      QWidget* widget = control(id);
      if (widget == nullptr) continue;
      if (widget == focus) focusBeforeBusy_ = widget;
      widget->setEnabled(false);
    }
    // The focus goes to "退出", which stays live, never into an edit where Enter would be the
    // OK command.
    if (focusBeforeBusy_) {
      if (QWidget* exit = control(app::ids::kExit)) exit->setFocus(Qt::OtherFocusReason);
    }
    focusAfterBusy_ = focusBeforeBusy_ ? focusWidget() : nullptr;
  } else {
    for (const int id : kBusyDisabledControls) {
      if (QWidget* widget = control(id)) widget->setEnabled(true);
    }
    if (focusBeforeBusy_ && focusWidget() == focusAfterBusy_) {
      focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
    }
    focusBeforeBusy_ = nullptr;
    focusAfterBusy_ = nullptr;
  }
}

void MainDialog::cancelCommand() {
  if (ending_ || asking_) return;
  if (runningOperation() && executor_->busy()) {
    const bool job = runningClick_ == app::ids::kCopy || runningClick_ == app::ids::kErase;
    asking_ = true;
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(app::kAppName),
                    QString::fromUtf8(job ? app::kMsgExitDuringJob : app::kMsgExitDuringOperation),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("exitQuestion"));
    box.setDefaultButton(QMessageBox::No);
    const bool leave = box.exec() == QMessageBox::Yes;
    asking_ = false;
    if (!leave) return;
  }
  beginEnd(/*saveLog=*/true);
}

void MainDialog::okCommand() {
  if (executor_ && executor_->busy()) return;
  beginEnd(/*saveLog=*/false);
}

bool MainDialog::runningOperation() const {
  switch (runningClick_) {
    case app::ids::kProgram:
    case app::ids::kRead:
    case app::ids::kCopy:
    case app::ids::kErase:
    case app::ids::kChipTest:
      return true;
    default:
      return false;
  }
}

void MainDialog::beginEnd(bool saveLog) {
  if (ending_) return;
  ending_ = true;
  saveOnEnd_ = saveLog;
  setBusyLook(true);
  if (executor_->busy()) {
    // Ask the running operation to stop and let the event loop run until it has: its calls
    // into the window must still be answered, so the window never blocks waiting for it.
    executor_->requestStop();
    host_->setAnswerModalsAtOnce(true);
    host_->dismissOpenModal();
  }
  continueEnd();
}

void MainDialog::continueEnd() {
  if (!ending_ || ended_ || executor_->busy()) return;
  if (saveOnEnd_ && !savePosted_ && cancelJob_) {
    savePosted_ = true;
    host_->setAnswerModalsAtOnce(false);  // a failure to save the log is shown
    post(cancelJob_);
    return;
  }
  ended_ = true;
  QDialog::done(saveOnEnd_ ? QDialog::Rejected : QDialog::Accepted);
}

void MainDialog::drainExecutor() {
  if (!executor_) return;
  draining_ = true;
  ending_ = true;
  if (executor_->busy()) {
    executor_->requestStop();
    host_->setAnswerModalsAtOnce(true);
    host_->dismissOpenModal();
    // Every job that ends with the queue empty posts an event here, so this wakes up for it.
    while (executor_->busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  executor_.reset();
}

}  // namespace norvik::ui
