// The window is built from template 102: one widget per row, with the row's ID, kind, caption,
// rectangle, visibility and place in the tab order.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "about_dialog.h"
#include "app/dialog_template.h"
#include "group_frame.h"
#include "gui_support.h"
#include "main_dialog.h"

namespace norvik::guitest {
namespace {

using app::ControlKind;

// The Qt class each addressable control becomes, written out from the template's rows.
const char* expectedClass(int id) {
  static const std::map<int, const char*> classes = [] {
    std::map<int, const char*> m;
    for (int c : {2, 3, 4, 1003, 1004, 1005, 1007, 1008, 1023}) m[c] = "QPushButton";
    for (int c : {1009, 1010, 1013, 1014, 1024, 1025, 1028, 1034, 1035}) m[c] = "QLineEdit";
    for (int c : {1011, 1012, 1015, 1016, 1026, 1027, 1042}) m[c] = "QCheckBox";
    for (int c : {1031, 1032, 1036, 1037, 1040, 1046, 1047}) m[c] = "QRadioButton";
    for (int c : {1018, 1019, 1030, 1038}) m[c] = "QProgressBar";
    for (int c : {1020, 1021, 1022, 1029, 1033, 1039, 1043, 1044}) m[c] = "QLabel";
    m[1006] = "QPlainTextEdit";
    return m;
  }();
  const auto it = classes.find(id);
  return it == classes.end() ? nullptr : it->second;
}

QString captionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* log = qobject_cast<QPlainTextEdit*>(widget)) return log->toPlainText();
  return {};
}

TEST(WindowLayoutTest, EveryTemplateRowBecomesOneWidgetWithItsIdKindAndCaption) {
  ui::MainDialog window;
  const auto& controls = app::mainDialogTemplate().controls;
  ASSERT_EQ(controls.size(), 66u);
  ASSERT_EQ(window.templateWidgets().size(), 66u);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const app::ControlSpec& c = controls[i];
    QWidget* widget = window.templateWidgets()[i];
    SCOPED_TRACE(c.id);
    EXPECT_EQ(widget->property("controlId").toInt(), c.id);
    EXPECT_EQ(captionOf(widget), QString::fromUtf8(c.caption));
    EXPECT_EQ(widget->parentWidget(), &window);
    if (c.id != app::kStaticId) {
      ASSERT_NE(expectedClass(c.id), nullptr);
      EXPECT_TRUE(widget->inherits(expectedClass(c.id)));
      EXPECT_EQ(window.control(c.id), widget);
      EXPECT_EQ(window.qtHost().control(c.id), widget);
    } else {
      EXPECT_TRUE(widget->inherits("QLabel") || widget->inherits("QGroupBox"));
    }
  }
  EXPECT_EQ(window.control(app::kStaticId), nullptr);
}

TEST(WindowLayoutTest, HiddenRowsStayHiddenAndTheOthersShow) {
  ui::MainDialog window;
  window.show();
  const auto& controls = app::mainDialogTemplate().controls;
  std::set<int> hidden;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const bool shouldHide = (controls[i].style & app::kHidden) != 0;
    if (shouldHide) hidden.insert(controls[i].id);
    EXPECT_EQ(window.templateWidgets()[i]->isVisible(), !shouldHide) << controls[i].id;
  }
  EXPECT_EQ(hidden, (std::set<int>{1007, 1036, 1037, 1040, 1042}));
}

TEST(WindowLayoutTest, RectanglesAreDialogUnitsTimesTheFontsBaseUnits) {
  ui::MainDialog window;
  // The base units as the dialog manager measures them.
  const QFontMetrics metrics(window.font());
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int bx = (letters / 26 + 1) / 2;
  // Vertically the em: 宋体's cell is one em high, the CJK stand-ins' line is taller.
  const int by = std::min(metrics.height(), QFontInfo(window.font()).pixelSize());
  EXPECT_EQ(by, 12) << "9 points at 96 dpi";
  EXPECT_EQ(window.baseUnits().x, bx);
  EXPECT_EQ(window.baseUnits().y, by);
  const auto scaleX = [bx](int v) { return (v * bx + 2) / 4; };  // rounded to nearest
  const auto scaleY = [by](int v) { return (v * by + 4) / 8; };

  EXPECT_EQ(window.size(), QSize(scaleX(627), scaleY(457)));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // not resizable
  const auto& controls = app::mainDialogTemplate().controls;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const app::ControlSpec& c = controls[i];
    const QRect rect(scaleX(c.x), scaleY(c.y), scaleX(c.width), scaleY(c.height));
    QWidget* widget = window.templateWidgets()[i];
    const QRect actual = widget->geometry();
    if (actual.height() != rect.height()) {
      // Only a line of text too low for the stand-in font grows, about its centre, to one
      // line, never sideways.
      EXPECT_LT(rect.height(), metrics.height()) << c.id;
      EXPECT_EQ(actual.height(), metrics.height()) << c.id;
      EXPECT_EQ(actual.left(), rect.left()) << c.id;
      EXPECT_EQ(actual.width(), rect.width()) << c.id;
      EXPECT_LE(std::abs(actual.center().y() - rect.center().y()), 1) << c.id;
      EXPECT_FALSE(widget->inherits("QPushButton") || widget->inherits("QLineEdit")) << c.id;
    } else {
      EXPECT_EQ(actual, rect) << "control " << c.id << " row " << i;
    }
  }
}

TEST(WindowLayoutTest, TabOrderFollowsTheTemplateAndSkipsRadiosAndHiddenControls) {
  ui::MainDialog window;
  window.show();
  std::vector<int> expected;
  for (const app::ControlSpec& c : app::mainDialogTemplate().controls) {
    if ((c.style & app::kTabStop) != 0 && (c.style & app::kHidden) == 0) expected.push_back(c.id);
  }
  ASSERT_EQ(expected.front(), 2);

  // Walk the focus chain once round from "退出", keeping what Tab can reach.
  std::vector<int> reached;
  QWidget* first = window.control(2);
  QWidget* w = first;
  do {
    if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) != 0 && w->isEnabled()) {
      reached.push_back(w->property("controlId").toInt());
    }
    w = w->nextInFocusChain();
  } while (w != first);
  EXPECT_EQ(reached, expected);

  for (int id : {1031, 1032, 1046, 1047}) {
    EXPECT_EQ(window.control(id)->focusPolicy(), Qt::ClickFocus) << id;
  }
}

TEST(WindowLayoutTest, RadioPairsAreExclusiveGroupsThatStartUnchecked) {
  ui::MainDialog window;
  auto* a = qobject_cast<QRadioButton*>(window.control(1031));
  auto* b = qobject_cast<QRadioButton*>(window.control(1032));
  auto* ce0 = qobject_cast<QRadioButton*>(window.control(1046));
  auto* ce1 = qobject_cast<QRadioButton*>(window.control(1047));
  ASSERT_TRUE(a && b && ce0 && ce1);
  for (auto* radio : {a, b, ce0, ce1}) EXPECT_FALSE(radio->isChecked());

  a->click();
  ce1->click();
  EXPECT_TRUE(a->isChecked());
  EXPECT_TRUE(ce1->isChecked());
  b->click();  // clears A, leaves the chip-enable pair alone
  EXPECT_FALSE(a->isChecked());
  EXPECT_TRUE(b->isChecked());
  EXPECT_TRUE(ce1->isChecked());
  EXPECT_FALSE(ce0->isChecked());
  b->click();  // a click on the checked radio keeps it checked
  EXPECT_TRUE(b->isChecked());
}

TEST(WindowLayoutTest, OnlyTheTwoChipNameLabelsAreRed) {
  ui::MainDialog window;
  const QColor red(200, 0, 0);
  const QColor normal = window.palette().color(QPalette::WindowText);
  ASSERT_NE(normal, red);
  int redCount = 0;
  for (QWidget* widget : window.templateWidgets()) {
    const int id = widget->property("controlId").toInt();
    const QColor colour = widget->palette().color(QPalette::WindowText);
    if (id == 1022 || id == 1029) {
      EXPECT_EQ(colour, red) << id;
    } else {
      EXPECT_EQ(colour, normal) << id;
    }
    if (colour == red) ++redCount;
  }
  EXPECT_EQ(redCount, 2);
}

TEST(WindowLayoutTest, HexEditsTurnTypedLettersIntoCapitals) {
  ui::MainDialog window;
  window.show();
  auto* edit = qobject_cast<QLineEdit*>(window.control(1009));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  pressKey(edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  pressKey(edit, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
  pressKey(edit, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
  EXPECT_EQ(edit->text(), QStringLiteral("A1F"));
  // What the program writes is shown as written: the program length is lower-case hex.
  window.host().setText(1014, "1e8480");
  EXPECT_EQ(window.control(1014)->property("text").toString(), QStringLiteral("1e8480"));
}

TEST(WindowLayoutTest, CaptionMarksTheSimulatedProgrammer) {
  ui::MainDialog simulated("模拟编程器");
  ui::MainDialog real;
  EXPECT_EQ(real.windowTitle(), QStringLiteral("Norvik 双座NAND编程器"));
  EXPECT_EQ(simulated.windowTitle(), QStringLiteral("Norvik 双座NAND编程器 [模拟编程器]"));
  EXPECT_FALSE(real.windowIcon().isNull());
  EXPECT_FALSE(real.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(real.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(real.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(WindowLayoutTest, SystemMenuOpensOnAltSpaceAndRightClickAndLeadsToTheAboutBox) {
  ui::MainDialog window;
  window.show();
  QMenu* menu = window.systemMenu();
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_TRUE(actions[2]->isSeparator());
  EXPECT_EQ(actions[3], window.aboutAction());
  EXPECT_EQ(actions[3]->text(), QStringLiteral("关于 Norvik(&A)..."));
  // The check item after it carries the controller's choice and turns it over.
  EXPECT_EQ(actions[4], window.verifyAfterCopyAction());
  EXPECT_EQ(actions[4]->text(), QStringLiteral("拷贝后校验"));
  EXPECT_TRUE(actions[4]->isCheckable());
  actions[4]->trigger();
  EXPECT_TRUE(window.controller().verifyAfterCopy());
  EXPECT_TRUE(actions[4]->isChecked());

  pressKey(window.control(2), Qt::Key_Space, Qt::AltModifier);
  ASSERT_TRUE(waitUntil([menu] { return menu->isVisible(); }));
  menu->hide();

  // A right click on bare background (top left corner holds no control).
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(2, 2),
                               window.mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(&window, &rightClick);
  ASSERT_TRUE(waitUntil([menu] { return menu->isVisible(); }));
  menu->hide();

  window.aboutAction()->trigger();
  ui::AboutDialog* about = nullptr;
  ASSERT_TRUE(waitUntil([&about] { return (about = visibleTopLevel<ui::AboutDialog>()); }));
  EXPECT_EQ(about->windowTitle(), QStringLiteral("Norvik 技术支持"));
  EXPECT_TRUE(about->isModal());
  QPushButton* ok = nullptr;
  for (auto* button : about->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("确定")) ok = button;
  }
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  bool hasIcon = false;
  for (auto* label : about->findChildren<QLabel*>()) hasIcon |= !label->pixmap().isNull();
  EXPECT_TRUE(hasIcon);
  ok->click();
  EXPECT_TRUE(waitUntil([] { return visibleTopLevel<ui::AboutDialog>() == nullptr; }));
  EXPECT_TRUE(window.isVisible());  // the About box does not end the program
}

TEST(WindowLayoutTest, ShiftFTenOpensTheSystemMenu) {
  ui::MainDialog window;
  window.show();
  QMenu* menu = window.systemMenu();
  pressKey(window.control(2), Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_TRUE(waitUntil([menu] { return menu->isVisible(); }));
  menu->hide();
  EXPECT_TRUE(window.isVisible());
}

TEST(WindowLayoutTest, GroupFramesRunTheirTopLineThroughTheMiddleOfTheTitle) {
  ui::MainDialog window;
  window.show();
  int frames = 0;
  for (auto* group : window.findChildren<QGroupBox*>()) {
    SCOPED_TRACE(group->title().toStdString());
    ++frames;
    const QImage image = group->grab().toImage();
    const QColor background = group->palette().color(QPalette::Window);
    const auto differs = [&image, &background](int x, int y) {
      return image.pixelColor(x, y) != background;
    };
    // The first row that is not background, near the right end where no title is.
    const int column = image.width() - 10;
    int lineRow = -1;
    for (int y = 0; y < image.height() && lineRow < 0; ++y) {
      if (differs(column, y)) lineRow = y;
    }
    const int lineHeight = QFontMetrics(group->font()).height();
    ASSERT_GE(lineRow, 1);
    EXPECT_LE(lineRow, (lineHeight + 1) / 2);
    // The title has ink both above that row and below the frame's two lines (clear of the
    // frame's left side).
    const int titleRight =
        lineHeight + QFontMetrics(group->font()).horizontalAdvance(group->title());
    bool above = false;
    bool below = false;
    for (int x = 3; x < titleRight; ++x) {
      for (int y = 0; y < lineHeight; ++y) {
        if (!differs(x, y)) continue;
        above |= y < lineRow;
        below |= y > lineRow + 1;
      }
    }
    EXPECT_TRUE(above);
    EXPECT_TRUE(below);
  }
  EXPECT_EQ(frames, 3);
}

}  // namespace
}  // namespace norvik::guitest
