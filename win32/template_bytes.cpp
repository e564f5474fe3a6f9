#include "template_bytes.h"

#include <windows.h>
// After windows.h, which it needs:
#include <commctrl.h>

#include "wide_text.h"

namespace norvik::win32 {

namespace {

// Predefined window classes by ordinal, as resource compilers write them.
constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;

// Appends little-endian words to a byte buffer; the template is read as WORDs and DWORDs.
class Writer {
 public:
  void word(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void dword(std::uint32_t v) {
    word(static_cast<std::uint16_t>(v & 0xFFFF));
    word(static_cast<std::uint16_t>(v >> 16));
  }
  void byte(std::uint8_t v) { bytes_.push_back(v); }
  void shortValue(int v) { word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
  // A null-terminated UTF-16 string.
  void text(const std::wstring& s) {
    for (wchar_t c : s) word(static_cast<std::uint16_t>(c));
    word(0);
  }
  // An ordinal in place of a string: 0xFFFF and the number.
  void ordinal(std::uint16_t v) {
    word(0xFFFF);
    word(v);
  }
  void alignTo4() {
    while (bytes_.size() % 4 != 0) byte(0);
  }
  std::vector<std::uint32_t> words() const {
    std::vector<std::uint32_t> out((bytes_.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
      out[i / 4] |= static_cast<std::uint32_t>(bytes_[i]) << (8 * (i % 4));
    }
    return out;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::uint32_t controlStyle(const app::ControlSpec& c) {
  std::uint32_t style = WS_CHILD;
  if ((c.style & app::kHidden) == 0) style |= WS_VISIBLE;
  if ((c.style & app::kTabStop) != 0) style |= WS_TABSTOP;
  if ((c.style & app::kGroupStart) != 0) style |= WS_GROUP;
  switch (c.kind) {
    case app::ControlKind::PushButton:
      style |= BS_PUSHBUTTON;
      if ((c.style & app::kMultiLineCaption) != 0) style |= BS_MULTILINE;
      break;
    case app::ControlKind::DefPushButton:
      style |= BS_DEFPUSHBUTTON;
      break;
    case app::ControlKind::GroupBox:
      style |= BS_GROUPBOX;
      break;
    case app::ControlKind::Label:
      style |= SS_LEFT;
      break;
    case app::ControlKind::HexEdit:
      style |= WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | ES_UPPERCASE;
      break;
    case app::ControlKind::LogEdit:
      // No ES_WANTRETURN: Enter in the log box is the dialog's OK command.
      style |= WS_BORDER | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL;
      break;
    case app::ControlKind::CheckBox:
      style |= BS_AUTOCHECKBOX;
      break;
    case app::ControlKind::RadioButton:
      style |= BS_AUTORADIOBUTTON;
      break;
    case app::ControlKind::ProgressBar:
      style |= WS_BORDER;
      break;
    case app::ControlKind::Icon:
      style |= SS_ICON;
      break;
  }
  return style;
}

std::vector<std::uint32_t> buildTemplate(const app::DialogSpec& spec, std::uint32_t style,
                                         std::uint32_t exStyle, const std::wstring& caption) {
  Writer w;
  w.word(1);       // dlgVer
  w.word(0xFFFF);  // signature: extended template
  w.dword(0);      // helpID
  w.dword(exStyle);
  w.dword(style | DS_SETFONT);
  w.word(static_cast<std::uint16_t>(spec.controls.size()));
  w.shortValue(0);
  w.shortValue(0);
  w.shortValue(spec.width);
  w.shortValue(spec.height);
  w.word(0);  // no menu
  w.word(0);  // the predefined dialog class
  w.text(caption);
  w.word(static_cast<std::uint16_t>(spec.fontPoints));
  w.word(FW_NORMAL);
  w.byte(0);               // not italic
  w.byte(GB2312_CHARSET);  // 宋体's character set
  w.text(toWide(spec.fontFace));

  for (const app::ControlSpec& c : spec.controls) {
    w.alignTo4();
    w.dword(0);  // helpID
    w.dword(0);  // exStyle
    w.dword(controlStyle(c));
    w.shortValue(c.x);
    w.shortValue(c.y);
    w.shortValue(c.width);
    w.shortValue(c.height);
    w.dword(static_cast<std::uint32_t>(c.id));
    switch (c.kind) {
      case app::ControlKind::PushButton:
      case app::ControlKind::DefPushButton:
      case app::ControlKind::GroupBox:
      case app::ControlKind::CheckBox:
      case app::ControlKind::RadioButton:
        w.ordinal(kButtonClass);
        break;
      case app::ControlKind::HexEdit:
      case app::ControlKind::LogEdit:
        w.ordinal(kEditClass);
        break;
      case app::ControlKind::Label:
      case app::ControlKind::Icon:
        w.ordinal(kStaticClass);
        break;
      case app::ControlKind::ProgressBar:
        w.text(PROGRESS_CLASSW);
        break;
    }
    if (c.kind == app::ControlKind::Icon) {
      w.ordinal(static_cast<std::uint16_t>(c.id));  // the icon resource of that number
    } else {
      w.text(toWide(c.caption));
    }
    w.word(0);  // no creation data
  }
  return w.words();
}

}  // namespace norvik::win32
