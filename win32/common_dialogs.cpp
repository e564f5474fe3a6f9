#include "common_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "app/captions.h"
#include "wide_text.h"

namespace norvik::win32 {

namespace {

// While a box or file dialog is being shown on this thread, a hook learns its window as it is
// created, and gives a message box's buttons their Chinese texts as it becomes active.
struct Watch {
  HHOOK hook = nullptr;
  OpenModal* open = nullptr;
  bool renameButtons = false;
};
thread_local Watch* currentWatch = nullptr;

bool isDialogWindow(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return std::wstring(className) == L"#32770";
}

LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam) {
  Watch* watch = currentWatch;
  const auto window = reinterpret_cast<HWND>(wParam);
  if (watch != nullptr && code == HCBT_CREATEWND && watch->open->window == nullptr) {
    // The first top-level dialog window created during the call is the box (or file dialog).
    const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    if ((create->style & WS_CHILD) == 0 && isDialogWindow(window)) watch->open->window = window;
  }
  if (watch != nullptr && code == HCBT_ACTIVATE && watch->renameButtons &&
      window == watch->open->window) {
    watch->renameButtons = false;
    SetDlgItemTextW(window, IDOK, toWide(app::kButtonOk).c_str());
    SetDlgItemTextW(window, IDCANCEL, toWide(app::kButtonCancel).c_str());
    SetDlgItemTextW(window, IDYES, toWide(app::kButtonYes).c_str());
    SetDlgItemTextW(window, IDNO, toWide(app::kButtonNo).c_str());
  }
  return CallNextHookEx(watch != nullptr ? watch->hook : nullptr, code, wParam, lParam);
}

// Runs `show` with `open` describing it and the hook watching; nested calls keep their own.
template <class F>
auto watched(OpenModal& open, OpenModal now, bool renameButtons, F show) {
  const OpenModal outer = open;
  open = now;
  Watch watch{nullptr, &open, renameButtons};
  Watch* outerWatch = currentWatch;
  currentWatch = &watch;
  watch.hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
  const auto result = show();
  if (watch.hook != nullptr) UnhookWindowsHookEx(watch.hook);
  currentWatch = outerWatch;
  open = outer;
  return result;
}

}  // namespace

int showMessageBox(HWND owner, const app::MessageBoxRequest& request, OpenModal& open) {
  UINT type = MB_OK;
  int wayOut = IDOK;
  switch (request.buttons) {
    case app::MessageButtons::Ok:
      break;
    case app::MessageButtons::OkCancel:
      type = MB_OKCANCEL;
      wayOut = IDCANCEL;
      break;
    case app::MessageButtons::YesNo:
      // "no" is the default, so that a stray Enter never stops a run.
      type = MB_YESNO | MB_DEFBUTTON2;
      wayOut = IDNO;
      break;
  }
  if (owner == nullptr) type |= MB_TASKMODAL;
  const std::wstring text = toWide(request.text);
  const std::wstring caption = toWide(request.caption);
  const int answer = watched(open, {OpenModal::Kind::MessageBox, wayOut, nullptr}, true, [&] {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  });
  switch (answer) {
    case IDOK:
      return app::kIdOk;
    case IDYES:
      return app::kIdYes;
    case IDNO:
      return app::kIdNo;
    default:
      return request.buttons == app::MessageButtons::Ok ? app::kIdOk : app::kIdCancel;
  }
}

std::wstring fileFilter(const std::string& filter) {
  std::wstring out = toWide(filter);
  for (wchar_t& c : out) {
    if (c == L'|') c = L'\0';
  }
  out.push_back(L'\0');  // the list ends with an empty string
  return out;
}

std::optional<std::string> showFileDialog(HWND owner, const app::FileDialogRequest& request,
                                          OpenModal& open) {
  const std::wstring filter = fileFilter(request.filter);
  const std::wstring extension = toWide(app::defaultSuffix(request.defaultExtension));
  const std::wstring folder = toWide(request.initialDirectory);
  const std::wstring title = toWide(request.save ? app::kSaveDialogTitle : app::kOpenDialogTitle);
  std::vector<wchar_t> path(32768, L'\0');
  const std::wstring name = toWide(request.initialName);
  name.copy(path.data(), path.size() - 1);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // No option flags but one: the Open dialog shows its read-only box (whose state is not used)
  // and takes a typed name that does not exist (the open then says so); the Save dialog replaces
  // a file without asking. The one flag keeps the process's current directory where it is: the
  // program finds its own files there (systemlog.log, test.bin, the catalogue), and a dialog that
  // moved it to wherever an image lay would scatter them.
  ofn.Flags = OFN_NOCHANGEDIR;
  const BOOL chosen = watched(open, {OpenModal::Kind::FileDialog, IDCANCEL, nullptr}, false, [&] {
    return request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  });
  if (!chosen || path[0] == L'\0') return std::nullopt;
  return toUtf8(path.data());
}

void closeOpenModal(const OpenModal& open) {
  if (open.kind == OpenModal::Kind::None || open.window == nullptr) return;
  PostMessageW(open.window, WM_COMMAND, MAKEWPARAM(open.wayOut, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(open.window, open.wayOut)));
}

}  // namespace norvik::win32
