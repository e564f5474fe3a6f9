#include "qt_dialog_host.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <algorithm>
#include <utility>

#include "app/captions.h"

namespace norvik::ui {

namespace {

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int clampToBar(const QProgressBar& bar, int pos) {
  return std::clamp(pos, bar.minimum(), bar.maximum());
}

}  // namespace

WindowThreadCalls::WindowThreadCalls(QObject* windowObject) : QObject(windowObject) {}

WindowThreadCalls::~WindowThreadCalls() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (Pending* pending : queue_) pending->finished = true;  // dropped: their callers go on
  queue_.clear();
  finished_.notify_all();
}

void WindowThreadCalls::run(const std::function<void()>& call) {
  Pending pending{&call};
  std::unique_lock lock(mutex_);
  if (closed_) return;
  queue_.push_back(&pending);
  lock.unlock();
  QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
  lock.lock();
  finished_.wait(lock, [&pending] { return pending.finished; });
}

void WindowThreadCalls::runPending() {
  for (;;) {
    Pending* next = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      next = queue_.front();
      queue_.pop_front();
    }
    // May open a modal dialog, whose event loop may run later calls meanwhile.
    (*next->call)();
    std::lock_guard lock(mutex_);
    next->finished = true;
    finished_.notify_all();
  }
}

QtDialogHost::QtDialogHost(QWidget* window)
    : window_(window), calls_(new WindowThreadCalls(window)) {}

void QtDialogHost::addControl(int id, QWidget* widget, QButtonGroup* radioGroup) {
  controls_.insert(id, widget);
  if (radioGroup != nullptr) radioGroups_.insert(id, radioGroup);
}

QWidget* QtDialogHost::control(int id) const {
  return controls_.value(id).data();
}

template <class F>
auto QtDialogHost::onWindowThread(F&& f) -> std::invoke_result_t<F&> {
  using Result = std::invoke_result_t<F&>;
  if (QThread::currentThread() == window_->thread()) return f();
  if constexpr (std::is_void_v<Result>) {
    calls_->run([&f] { f(); });
  } else {
    Result result{};
    calls_->run([&f, &result] { result = f(); });
    return result;
  }
}

void QtDialogHost::runOnWindow(const std::function<void()>& call) {
  onWindowThread([&call] { call(); });
}

std::string QtDialogHost::text(int id) {
  return onWindowThread([this, id] { return textNow(id); });
}

void QtDialogHost::setText(int id, const std::string& text) {
  onWindowThread([this, id, &text] { setTextNow(id, text); });
}

bool QtDialogHost::isChecked(int id) {
  return onWindowThread([this, id] {
    const auto* button = qobject_cast<const QAbstractButton*>(control(id));
    return button != nullptr && button->isChecked();
  });
}

void QtDialogHost::setChecked(int id, bool checked) {
  onWindowThread([this, id, checked] { setCheckedNow(id, checked); });
}

void QtDialogHost::progressSetRange(int id, int low, int high) {
  onWindowThread([this, id, low, high] {
    auto* bar = qobject_cast<QProgressBar*>(control(id));
    if (bar == nullptr) return;
    const int pos = bar->value();
    bar->setRange(low, high);
    bar->setValue(clampToBar(*bar, pos));
  });
}

void QtDialogHost::progressSetPos(int id, int pos) {
  onWindowThread([this, id, pos] {
    auto* bar = qobject_cast<QProgressBar*>(control(id));
    if (bar != nullptr) bar->setValue(clampToBar(*bar, pos));
  });
}

void QtDialogHost::progressSetStep(int id, int step) {
  onWindowThread([this, id, step] { progressSteps_.insert(id, step); });
}

void QtDialogHost::progressStepIt(int id) {
  onWindowThread([this, id] {
    auto* bar = qobject_cast<QProgressBar*>(control(id));
    if (bar == nullptr) return;
    const int step = progressSteps_.value(id, 10);  // the control's own default step
    const int next =
        app::progressStepped(clampToBar(*bar, bar->value()), step, bar->minimum(), bar->maximum());
    bar->setValue(clampToBar(*bar, next));
  });
}

int QtDialogHost::messageBox(const app::MessageBoxRequest& request) {
  return onWindowThread([this, &request] { return messageBoxNow(request); });
}

std::optional<std::string> QtDialogHost::fileDialog(const app::FileDialogRequest& request) {
  return onWindowThread([this, &request] { return fileDialogNow(request); });
}

void QtDialogHost::dismissOpenModal() {
  if (openModal_) openModal_->reject();
}

std::string QtDialogHost::textNow(int id) const {
  QWidget* widget = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return toUtf8(edit->text());
  if (auto* log = qobject_cast<QPlainTextEdit*>(widget)) {
    // The log box holds CR LF line breaks, as a multi-line edit control does.
    return toUtf8(log->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) return toUtf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return toUtf8(button->text());
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return toUtf8(group->title());
  return {};
}

void QtDialogHost::setTextNow(int id, const std::string& text) {
  QWidget* widget = control(id);
  const QString value = fromUtf8(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(value);
  } else if (auto* log = qobject_cast<QPlainTextEdit*>(widget)) {
    QString plain = value;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    log->setPlainText(plain);
    // Replacing the text keeps the newest lines in view.
    log->moveCursor(QTextCursor::End);
    log->ensureCursorVisible();
    log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum());
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(value);
  }
}

void QtDialogHost::setCheckedNow(int id, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(control(id));
  if (button == nullptr) return;
  // Setting a radio's state changes that radio only; a click is what clears the others of its
  // group. An exclusive group would refuse to clear its checked radio, so it is lifted briefly.
  QButtonGroup* group = radioGroups_.value(id, nullptr);
  if (group != nullptr && group->exclusive()) {
    group->setExclusive(false);
    button->setChecked(checked);
    group->setExclusive(true);
  } else {
    button->setChecked(checked);
  }
}

int QtDialogHost::messageBoxNow(const app::MessageBoxRequest& request) {
  const bool owned = request.owner == app::MessageOwner::Dialog;
  QMessageBox box(owned ? window_ : nullptr);
  box.setWindowTitle(fromUtf8(request.caption));
  box.setIcon(QMessageBox::NoIcon);
  box.setTextFormat(Qt::PlainText);
  box.setText(fromUtf8(request.text));
  QPushButton* accept = nullptr;
  QPushButton* refuse = nullptr;
  int accepted = app::kIdOk;
  int refused = app::kIdCancel;
  switch (request.buttons) {
    case app::MessageButtons::Ok:
      accept = box.addButton(QString::fromUtf8(app::kButtonOk), QMessageBox::AcceptRole);
      refused = app::kIdOk;  // closing the box is its only answer
      break;
    case app::MessageButtons::OkCancel:
      accept = box.addButton(QString::fromUtf8(app::kButtonOk), QMessageBox::AcceptRole);
      refuse = box.addButton(QString::fromUtf8(app::kButtonCancel), QMessageBox::RejectRole);
      break;
    case app::MessageButtons::YesNo:
      // The question of leaving: "no" is the default, so a stray Enter never stops a run.
      accept = box.addButton(QString::fromUtf8(app::kButtonYes), QMessageBox::YesRole);
      refuse = box.addButton(QString::fromUtf8(app::kButtonNo), QMessageBox::NoRole);
      accepted = app::kIdYes;
      refused = app::kIdNo;
      break;
  }
  box.setDefaultButton(refuse != nullptr && request.buttons == app::MessageButtons::YesNo ? refuse
                                                                                          : accept);
  box.setEscapeButton(refuse != nullptr ? refuse : accept);

  openModal_ = &box;
  box.exec();
  openModal_ = nullptr;
  return box.clickedButton() == accept ? accepted : refused;
}

std::optional<std::string> QtDialogHost::fileDialogNow(const app::FileDialogRequest& request) {
  QFileDialog dialog(
      window_, QString::fromUtf8(request.save ? app::kSaveDialogTitle : app::kOpenDialogTitle));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // A typed name of a file that does not exist is accepted; the open that follows reports it.
  dialog.setFileMode(QFileDialog::AnyFile);
  // An existing file is replaced without asking.
  if (request.save) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = toQtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(toDefaultSuffix(request.defaultExtension));
  if (!request.initialDirectory.empty()) dialog.setDirectory(fromUtf8(request.initialDirectory));
  if (!request.initialName.empty()) dialog.selectFile(fromUtf8(request.initialName));

  openModal_ = &dialog;
  const int result = dialog.exec();
  openModal_ = nullptr;

  const QStringList chosen = dialog.selectedFiles();
  if (result != QDialog::Accepted || chosen.isEmpty() || chosen.front().isEmpty()) {
    return std::nullopt;
  }
  return toUtf8(chosen.front());
}

QStringList toQtNameFilters(const std::string& filter) {
  const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString patterns = parts[i + 1].trimmed();
    if (description.isEmpty() && patterns.isEmpty()) continue;
    const QString inBrackets = QLatin1Char('(') + patterns + QLatin1Char(')');
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString qtInBrackets = QLatin1Char('(') + patterns + QLatin1Char(')');
    if (description.endsWith(inBrackets) || description.endsWith(qtInBrackets)) {
      filters << description.left(description.size() - inBrackets.size()) + qtInBrackets;
    } else {
      filters << description + QLatin1Char(' ') + qtInBrackets;
    }
  }
  return filters;
}

QString toDefaultSuffix(const std::string& extension) {
  return fromUtf8(app::defaultSuffix(extension));
}

}  // namespace norvik::ui
