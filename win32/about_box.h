// The About box (template 100): the icon, a product line, a rights line and "确定", modal to the
// main dialog and centred on the screen.
#pragma once

#include <windows.h>

namespace norvik::win32 {

void showAboutBox(HINSTANCE instance, HWND owner);

}  // namespace norvik::win32
