#include "template_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app_icon.h"
#include "group_frame.h"

namespace norvik::ui {

namespace {

QWidget* makeHexEdit(const QString& caption, QWidget* parent) {
  auto* edit = new QLineEdit(caption, parent);
  // Typed letters become capitals; text the program sets (the program length, "%x") stays as
  // it is written, which a validator would not allow.
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    const QString upper = text.toUpper();
    if (upper == text) return;
    const int cursor = edit->cursorPosition();
    edit->setText(upper);
    edit->setCursorPosition(cursor);
  });
  return edit;
}

QWidget* makeLabel(const app::ControlSpec& c, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(caption.contains(QLatin1Char('\n')) || c.height >= 16);
  if ((c.style & app::kRedText) != 0) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     QColor((app::kDialogColourRed >> 16) & 0xFF,
                            (app::kDialogColourRed >> 8) & 0xFF, app::kDialogColourRed & 0xFF));
    label->setPalette(palette);
  }
  return label;
}

}  // namespace

TemplateWidgets buildTemplateWidgets(const app::DialogSpec& spec, QWidget* parent, BaseUnits units,
                                     QObject* keyFilter) {
  TemplateWidgets built;
  QHash<int, QButtonGroup*> groups;
  QWidget* previousTab = nullptr;
  std::vector<QWidget*> frames;
  for (const app::ControlSpec& c : spec.controls) {
    const QString caption = QString::fromUtf8(c.caption);
    QWidget* widget = nullptr;
    QButtonGroup* radioGroup = nullptr;
    bool takesKeys = true;
    switch (c.kind) {
      case app::ControlKind::PushButton:
      case app::ControlKind::DefPushButton: {
        auto* button = new QPushButton(caption, parent);
        // Enter is dispatched by the window itself: on a focused button it clicks that button.
        button->setAutoDefault(false);
        button->setDefault(c.kind == app::ControlKind::DefPushButton);
        widget = button;
        break;
      }
      case app::ControlKind::GroupBox: {
        auto* group = new GroupFrame(caption, parent);
        // A frame only: clicks pass through to the dialog.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        frames.push_back(group);
        widget = group;
        takesKeys = false;
        break;
      }
      case app::ControlKind::Label:
        widget = makeLabel(c, caption, parent);
        takesKeys = false;
        break;
      case app::ControlKind::HexEdit:
        widget = makeHexEdit(caption, parent);
        break;
      case app::ControlKind::LogEdit: {
        auto* log = new QPlainTextEdit(parent);
        log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        log->setTabChangesFocus(true);
        widget = log;
        break;
      }
      case app::ControlKind::CheckBox:
        widget = new QCheckBox(caption, parent);
        break;
      case app::ControlKind::RadioButton: {
        auto* radio = new QRadioButton(caption, parent);
        radio->setAutoExclusive(false);
        QButtonGroup*& group = groups[c.radioGroup];
        if (group == nullptr) {
          group = new QButtonGroup(parent);
          group->setExclusive(true);  // all may still start unchecked
        }
        group->addButton(radio);
        radioGroup = group;
        widget = radio;
        break;
      }
      case app::ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        widget = bar;
        takesKeys = false;
        break;
      }
      case app::ControlKind::Icon: {
        // An icon control takes the size of its icon.
        auto* icon = new QLabel(parent);
        icon->setPixmap(appIconPixmap(32));
        widget = icon;
        takesKeys = false;
        break;
      }
    }

    const bool textLine = c.kind == app::ControlKind::Label ||
                          c.kind == app::ControlKind::CheckBox ||
                          c.kind == app::ControlKind::RadioButton;
    const QRect rect = mapDialogRect(c, units);
    if (c.kind == app::ControlKind::Icon) {
      widget->setGeometry(QRect(rect.topLeft(), QSize(32, 32)));
    } else {
      widget->setGeometry(textLine ? fitTextHeight(rect, widget->font()) : rect);
    }
    widget->setObjectName(QStringLiteral("control%1").arg(c.id));
    widget->setProperty("controlId", c.id);
    if ((c.style & app::kHidden) != 0) widget->hide();

    if (takesKeys) {
      // Without a tab stop a control still takes the focus when clicked (the radios).
      if ((c.style & app::kTabStop) == 0) widget->setFocusPolicy(Qt::ClickFocus);
      if (keyFilter != nullptr) widget->installEventFilter(keyFilter);
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
      if (previousTab != nullptr) QWidget::setTabOrder(previousTab, widget);
      previousTab = widget;
    }

    built.rows.push_back(widget);
    if (c.id != app::kStaticId) {
      built.byId.insert(c.id, widget);
      if (radioGroup != nullptr) built.radioGroup.insert(c.id, radioGroup);
    }
  }

  // Stacking as the dialog manager does it: the first control of the template on top. Group
  // boxes are frames behind everything.
  std::for_each(built.rows.rbegin(), built.rows.rend(), [](QWidget* widget) { widget->raise(); });
  for (QWidget* frame : frames) frame->lower();
  return built;
}

}  // namespace norvik::ui
