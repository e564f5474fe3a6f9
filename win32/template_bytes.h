// A dialog template from app's template data, in the in-memory form the dialog manager creates a
// dialog from: a DLGTEMPLATEEX header, then one DLGITEMTEMPLATEEX per control, each on a
// 4-byte boundary, texts in UTF-16. Positions stay in dialog units; the dialog manager maps them
// with the template's font (宋体 9 pt).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/dialog_template.h"

namespace norvik::win32 {

// The window styles of a control of `kind` with the template's style bits, as the dialog
// manager gets them (WS_CHILD and, unless hidden, WS_VISIBLE included).
std::uint32_t controlStyle(const app::ControlSpec& control);

// The whole template: `style` and `exStyle` of the dialog, its caption, then the controls.
// Returned as 32-bit words so that the buffer itself is aligned as the dialog manager needs.
std::vector<std::uint32_t> buildTemplate(const app::DialogSpec& spec, std::uint32_t style,
                                         std::uint32_t exStyle, const std::wstring& caption);

}  // namespace norvik::win32
