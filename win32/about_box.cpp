#include "about_box.h"

#include <vector>

#include "app/captions.h"
#include "app/dialog_template.h"
#include "template_bytes.h"
#include "wide_text.h"

namespace norvik::win32 {

namespace {

INT_PTR CALLBACK aboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(window, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void showAboutBox(HINSTANCE instance, HWND owner) {
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  const std::vector<std::uint32_t> bytes =
      buildTemplate(app::aboutDialogTemplate(), kStyle, 0, toWide(app::kAboutCaption));
  DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), owner,
                          aboutProc, 0);
}

}  // namespace norvik::win32
