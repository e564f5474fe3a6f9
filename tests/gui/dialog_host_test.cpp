// QtDialogHost: calls from another thread are carried out on the window's thread before they
// return; message boxes and file dialogs get their owner, caption, buttons and parameters.
#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <atomic>
#include <optional>
#include <thread>

#include "app/dialog_template.h"
#include "chinese_texts.h"
#include "gui_support.h"
#include "main_dialog.h"
#include "qt_dialog_host.h"

namespace norvik::guitest {
namespace {

// Runs `body` on a thread of its own while the event loop keeps running here.
template <class F>
void runOnOtherThread(F body) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    body();
    done = true;
  });
  const bool finished = waitUntil([&] { return done.load(); });
  worker.join();
  ASSERT_TRUE(finished);
}

QPushButton* buttonWithText(QWidget* parent, const QString& text) {
  for (auto* button : parent->findChildren<QPushButton*>()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

TEST(DialogHostTest, CallsFromAnotherThreadTakeEffectOnTheWindowThreadBeforeTheyReturn) {
  ui::MainDialog window;
  window.show();
  auto* edit = qobject_cast<QLineEdit*>(window.control(1009));
  QThread* changedOn = nullptr;
  std::atomic<bool> changed{false};
  QObject::connect(
      edit, &QLineEdit::textChanged, edit,
      [&] {
        changedOn = QThread::currentThread();
        changed = true;
      },
      Qt::DirectConnection);

  bool changedWhenSetTextReturned = false;
  std::string readBack;
  bool checkedBack = false;
  runOnOtherThread([&] {
    window.host().setText(1009, "1A2B");
    changedWhenSetTextReturned = changed.load();
    readBack = window.host().text(1009);
    window.host().setChecked(1012, true);
    checkedBack = window.host().isChecked(1012);
  });
  EXPECT_TRUE(changedWhenSetTextReturned);
  EXPECT_EQ(changedOn, window.thread());
  EXPECT_EQ(readBack, "1A2B");
  EXPECT_TRUE(checkedBack);
  EXPECT_EQ(edit->text(), QStringLiteral("1A2B"));
}

TEST(DialogHostTest, MessageBoxOwnedByTheDialogCarriesTheRequestedCaptionAndButtons) {
  ui::MainDialog window;
  window.show();
  OnModal<QMessageBox> answer([&window](QMessageBox* box) {
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Norvik"));
    EXPECT_EQ(box->text(), QStringLiteral("请确认座子A上芯片放置完好"));
    EXPECT_EQ(window.qtHost().openModal(), box);
    EXPECT_NE(buttonWithText(box, QStringLiteral("确定")), nullptr);
    QPushButton* cancel = buttonWithText(box, QStringLiteral("取消"));
    EXPECT_NE(cancel, nullptr);
    if (cancel != nullptr)
      cancel->click();
    else
      box->reject();
  });
  std::optional<int> result;
  runOnOtherThread([&] {
    result = window.host().messageBox({app::MessageOwner::Dialog, "Norvik",
                                       "请确认座子A上芯片放置完好", app::MessageButtons::OkCancel});
  });
  EXPECT_TRUE(answer.handled());
  EXPECT_EQ(result, app::kIdCancel);
  EXPECT_EQ(window.qtHost().openModal(), nullptr);
}

TEST(DialogHostTest, MessageBoxWithoutOwnerHasTheSystemCaptionAndOnlyOk) {
  ui::MainDialog window;
  window.show();
  OnModal<QMessageBox> answer([](QMessageBox* box) {
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("错误"));
    EXPECT_EQ(buttonWithText(box, QStringLiteral("取消")), nullptr);
    QPushButton* ok = buttonWithText(box, QStringLiteral("确定"));
    if (ok != nullptr)
      ok->click();
    else
      box->reject();
  });
  std::optional<int> result;
  runOnOtherThread([&] {
    result = window.qtHost().messageBox(
        {app::MessageOwner::None, "错误", "发送数据错误!", app::MessageButtons::Ok});
  });
  EXPECT_TRUE(answer.handled());
  EXPECT_EQ(result, app::kIdOk);
}

TEST(DialogHostTest, TheQuestionOfLeavingOffersYesAndNoWithNoAsTheDefault) {
  ui::MainDialog window;
  window.show();
  for (const bool pressEscape : {false, true}) {
    OnModal<QMessageBox> answer([pressEscape](QMessageBox* box) {
      QPushButton* no = buttonWithText(box, QStringLiteral("否"));
      ASSERT_NE(buttonWithText(box, QStringLiteral("是")), nullptr);
      ASSERT_NE(no, nullptr);
      EXPECT_EQ(box->defaultButton(), no);
      if (pressEscape) {
        pressKey(box, Qt::Key_Escape);
      } else {
        buttonWithText(box, QStringLiteral("是"))->click();
      }
    });
    const int result = window.qtHost().messageBox(
        {app::MessageOwner::Dialog, "Norvik", "要停止操作并退出吗？", app::MessageButtons::YesNo});
    EXPECT_TRUE(answer.handled());
    EXPECT_EQ(result, pressEscape ? app::kIdNo : app::kIdYes);
  }
}

TEST(DialogHostTest, SaveDialogGetsFilterSuffixNameAndFolderAndCompletesTheName) {
  ui::MainDialog window;
  window.show();
  QTemporaryDir folder;
  OnModal<QFileDialog> answer([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("bin"));
    EXPECT_EQ(dialog->nameFilters(), (QStringList{QStringLiteral("二进制文件(*.bin)"),
                                                  QStringLiteral("Intel Hex文件(*.hex)")}));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    static_cast<QDialog*>(dialog)->accept();  // the dialog's own accept, as its Save button
  });
  std::optional<std::string> chosen;
  runOnOtherThread([&] {
    app::FileDialogRequest request;
    request.save = true;
    request.defaultExtension = "*.bin";
    request.initialName = "temp";
    request.initialDirectory = folder.path().toStdString();
    request.filter = "二进制文件(*.bin)|*.bin|Intel Hex文件(*.hex)|*.hex|";
    chosen = window.host().fileDialog(request);
  });
  EXPECT_TRUE(answer.handled());
  ASSERT_TRUE(chosen.has_value());
  const QFileInfo info(QString::fromStdString(*chosen));
  EXPECT_EQ(QDir(info.absolutePath()).canonicalPath(), QDir(folder.path()).canonicalPath());
  EXPECT_EQ(info.fileName(), QStringLiteral("temp.bin"));
}

TEST(DialogHostTest, CancelledOpenDialogChoosesNothing) {
  ui::MainDialog window;
  window.show();
  OnModal<QFileDialog> answer([&window](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->parentWidget(), &window);
    dialog->reject();
  });
  std::optional<std::string> chosen = "unset";
  runOnOtherThread([&] {
    app::FileDialogRequest request;
    request.defaultExtension = "bin";
    request.filter = "二进制文件(*.bin)|*.bin|Intel Hex文件(*.hex)|*.hex|";
    chosen = window.host().fileDialog(request);
  });
  EXPECT_TRUE(answer.handled());
  EXPECT_FALSE(chosen.has_value());
}

TEST(DialogHostTest, FiltersBecomeQtNameFilters) {
  EXPECT_EQ(
      ui::toQtNameFilters("二进制文件(*.bin)|*.bin|Intel Hex文件(*.hex)|*.hex|"),
      (QStringList{QStringLiteral("二进制文件(*.bin)"), QStringLiteral("Intel Hex文件(*.hex)")}));
  EXPECT_EQ(
      ui::toQtNameFilters("Images|*.bin;*.img|All files|*.*|"),
      (QStringList{QStringLiteral("Images (*.bin *.img)"), QStringLiteral("All files (*.*)")}));
  EXPECT_TRUE(ui::toQtNameFilters("").isEmpty());
  EXPECT_EQ(ui::toDefaultSuffix("*.bin"), QStringLiteral("bin"));
  EXPECT_EQ(ui::toDefaultSuffix("bin"), QStringLiteral("bin"));
}

TEST(DialogHostTest, ProgressBarsFollowTheControlMessages) {
  ui::MainDialog window;
  auto& host = window.host();
  auto* bar = qobject_cast<QProgressBar*>(window.control(1019));
  host.progressSetRange(1019, 0, 1000);
  host.progressSetStep(1019, 10);
  host.progressSetPos(1019, 990);
  EXPECT_EQ(bar->maximum(), 1000);
  EXPECT_EQ(bar->value(), 990);
  host.progressStepIt(1019);
  EXPECT_EQ(bar->value(), 1000);
  host.progressStepIt(1019);  // past the end it starts over from the bottom
  EXPECT_EQ(bar->value(), 10);
  host.progressSetPos(1019, 5000);  // out of range: pinned to the end
  EXPECT_EQ(bar->value(), 1000);
  host.progressSetRange(1019, 0, 100);  // shrinking keeps the position inside
  EXPECT_EQ(bar->value(), 100);

  auto* copyBar = qobject_cast<QProgressBar*>(window.control(1030));
  host.progressSetPos(1030, 95);
  host.progressStepIt(1030);  // the control's own step is 10
  EXPECT_EQ(copyBar->value(), 5);
}

TEST(DialogHostTest, SettingARadioChangesThatRadioOnly) {
  ui::MainDialog window;
  auto& host = window.host();
  auto* a = qobject_cast<QRadioButton*>(window.control(1031));
  auto* b = qobject_cast<QRadioButton*>(window.control(1032));
  host.setChecked(1031, true);
  EXPECT_TRUE(host.isChecked(1031));
  host.setChecked(1031, false);  // a checked radio can be cleared
  EXPECT_FALSE(a->isChecked());
  host.setChecked(1032, true);
  host.setChecked(1032, false);
  a->click();  // the user's click still clears the other one...
  EXPECT_TRUE(a->isChecked());
  EXPECT_FALSE(b->isChecked());
  b->click();
  EXPECT_FALSE(a->isChecked());
  EXPECT_TRUE(b->isChecked());
  host.setChecked(1032, false);  // ...and a cleared radio is not brought back by the next click
  a->click();
  EXPECT_TRUE(a->isChecked());
  EXPECT_FALSE(b->isChecked());
}

TEST(DialogHostTest, LogBoxShowsTheLogWithItsNewestLinesInView) {
  ui::MainDialog window;
  window.show();
  std::string log;
  for (int i = 0; i < 200; ++i) log += "\r\n 2016年06月01日14:05:09 开始下载 " + std::to_string(i);
  window.host().setText(1006, log);
  auto* box = qobject_cast<QPlainTextEdit*>(window.control(1006));
  EXPECT_FALSE(box->toPlainText().contains(QLatin1Char('\r')));
  EXPECT_EQ(window.host().text(1006), log);
  QScrollBar* bar = box->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace norvik::guitest

namespace norvik::ui {
namespace {

TEST(ChineseTextsTest, TheFileListNamesFoldersInChinese) {
  QTranslator qtTranslation;
  FileListTexts fileListTexts;
  speakChinese(qtTranslation, fileListTexts);
  QTemporaryDir dir;
  EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(dir.path())), QStringLiteral("文件夹"));
  QCoreApplication::removeTranslator(&fileListTexts);
  QCoreApplication::removeTranslator(&qtTranslation);
  QLocale::setDefault(QLocale::c());
}

}  // namespace
}  // namespace norvik::ui
