// The window's commands reach the real CProgrammerDlg handlers on the device thread, with the
// simulated programmer behind the device link.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "app/dialog_template.h"
#include "app/operation_log.h"
#include "gui_support.h"
#include "link/chip_geometry.h"

namespace norvik::guitest {
namespace {

// Runs `look` before every event the application delivers on this thread.
class EventWatch final : public QObject {
 public:
  explicit EventWatch(std::function<void()> look) : look_(std::move(look)) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~EventWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* /*event*/) override {
    look_();
    return false;
  }

 private:
  std::function<void()> look_;
};

// Clicks once the device thread is idle: the probing boxes are disabled while it works.
void click(ui::MainDialog& window, int id) {
  ASSERT_TRUE(
      waitUntil([&] { return !window.controller().busy() && window.control(id)->isEnabled(); }));
  qobject_cast<QAbstractButton*>(window.control(id))->click();
}

TEST(ProgrammerWiringTest, SpareBoxesAndSocketRadiosReachTheirHandlers) {
  WiredWindow wired;
  auto& chips = wired.state().chips;
  chips.socketA.deviceName = "K9F1G08U0B";
  chips.socketA.deviceLens = "8000000";
  chips.socketB.deviceName = "MT29F2G08ABAEA";
  chips.socketB.deviceLens = "10000000";
  ASSERT_TRUE(wired.text(1043).isEmpty());  // nothing has probed yet
  click(wired.window(), 1015);              // OnProgramSpare probes
  EXPECT_TRUE(waitUntil([&] { return !wired.text(1043).isEmpty(); }));
  click(wired.window(), 1032);  // OnSelectB
  EXPECT_TRUE(waitUntil([&] { return wired.text(1010) == QStringLiteral("10000000"); }));
  click(wired.window(), 1031);  // OnSelectA
  EXPECT_TRUE(waitUntil([&] { return wired.text(1010) == QStringLiteral("8000000"); }));
}

TEST(ProgrammerWiringTest, StartUpDetectsBothChipsAndLogsThemWithoutShowingPlaceholders) {
  WiredWindow wired(/*runStartup=*/true, /*withCatalogue=*/true);
  bool started = false;
  QObject::connect(&wired.window(), &ui::MainDialog::startupFinished,
                   [&started] { started = true; });
  // While start-up probes, the labels it fills show neither the template's "none" nor the first
  // probe's "0-0". They are looked at before every event the window's thread takes,
  // so no state between two of start-up's calls into the window goes unseen.
  QStringList shown;
  EventWatch watch([&] {
    if (started) return;
    for (int id : {1022, 1029, 1043, 1044}) {
      if (wired.window().control(id)->isVisible() && !wired.text(id).isEmpty()) {
        const QString seen = QStringLiteral("%1:%2").arg(id).arg(wired.text(id));
        if (!shown.contains(seen)) shown << seen;
      }
    }
  });
  ASSERT_TRUE(waitUntil([&] { return started; }));
  QStringList final;
  for (int id : {1022, 1029, 1043, 1044}) {
    EXPECT_TRUE(wired.window().control(id)->isVisible()) << id;
    EXPECT_FALSE(wired.text(id).isEmpty()) << id;
    final << QStringLiteral("%1:%2").arg(id).arg(wired.text(id));
  }
  // Only what start-up found in the end was ever on show.
  for (const QString& seen : shown) EXPECT_TRUE(final.contains(seen)) << seen.toStdString();
  EXPECT_NE(wired.text(1022), QString::fromUtf8(link::kUnrecognisedChip));
  EXPECT_NE(wired.text(1029), QString::fromUtf8(link::kUnrecognisedChip));
  const std::string log = wired.window().host().text(1006);
  EXPECT_NE(log.find("检测到A座芯片ID为:ECF10095"), std::string::npos) << log;
  EXPECT_NE(log.find("检测到B座芯片ID为:2CDA9095"), std::string::npos) << log;
  EXPECT_FALSE(wired.text(1010).isEmpty());
}

TEST(ProgrammerWiringTest, EscapeSavesTheLogAndEnterDoesNot) {
  {
    WiredWindow wired;
    int finished = 0;
    QObject::connect(&wired.window(), &QDialog::finished, [&finished] { ++finished; });
    pressKey(wired.window().control(2), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return finished > 0; }));
    // Nothing was logged in this run: the block is the separator alone.
    EXPECT_EQ(wired.readFile(app::kLogFileName), std::string(app::kLogSeparator));
  }
  {
    WiredWindow wired;
    int finished = 0;
    QObject::connect(&wired.window(), &QDialog::finished, [&finished] { ++finished; });
    QWidget* edit = wired.window().control(1013);
    edit->setFocus();
    pressKey(edit, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return finished > 0; }));
    EXPECT_FALSE(wired.fileExists(app::kLogFileName));
  }
}

TEST(ProgrammerWiringTest, CopyEraseAndChipTestButtonsReachTheirHandlers) {
  WiredWindow wired(/*runStartup=*/true, /*withCatalogue=*/true);
  ui::MainDialog& window = wired.window();
  ASSERT_TRUE(waitUntil([&] { return !window.controller().busy(); }));
  qobject_cast<QLineEdit*>(window.control(1025))->setText(QStringLiteral("20000"));
  qobject_cast<QLineEdit*>(window.control(1035))->setText(QStringLiteral("20000"));

  click(window, 1023);
  EXPECT_TRUE(waitUntil([&] { return wired.text(1033) == QStringLiteral("拷贝成功！！"); }));

  OnModal<QMessageBox> count([](QMessageBox* box) {
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("检测到坏块数:")));
    box->accept();
  });
  click(window, 1004);
  EXPECT_TRUE(waitUntil([&] { return wired.text(1039) == QStringLiteral("擦除成功！！"); }));
  EXPECT_TRUE(count.handled());

  OnModal<QMessageBox> question([](QMessageBox* box) {
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("使用芯片测试功能将破坏芯片原有数据")));
    box->reject();
  });
  click(window, 3);
  EXPECT_TRUE(waitUntil([&] { return question.handled() && !window.controller().busy(); }));
  EXPECT_FALSE(wired.fileExists("test1.bin"));
}

}  // namespace
}  // namespace norvik::guitest
