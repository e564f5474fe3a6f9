#include "main_window.h"

#include <commctrl.h>

#include <vector>

#include "about_box.h"
#include "app/captions.h"
#include "app/dialog_template.h"
#include "template_bytes.h"
#include "wide_text.h"

namespace norvik::win32 {

namespace {

// Window messages of the host's own.
constexpr UINT kMsgCall = WM_APP + 1;    // lParam: const std::function<void()>*, run now
constexpr UINT kMsgPosted = WM_APP + 2;  // run what postToWindow queued

constexpr int kAboutMenuString = 101;

// Texts break lines at "\n"; a control breaks them at CR LF.
std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

constexpr DWORD kMainStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const std::string& backendName)
    : instance_(instance),
      caption_(toWide(app::windowCaption(backendName))),
      controller_(std::make_unique<app::HostController>(*this, *this)) {}

MainWindow::~MainWindow() {
  controller_.reset();  // waits for the device thread while the window still answers it
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

bool MainWindow::runModal() {
  windowThread_ = GetCurrentThreadId();
  const std::vector<std::uint32_t> bytes =
      buildTemplate(app::mainDialogTemplate(), kMainStyle, WS_EX_APPWINDOW, caption_);
  const INT_PTR result =
      DialogBoxIndirectParamW(instance_, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), nullptr,
                              dialogProc, reinterpret_cast<LPARAM>(this));
  window_.store(nullptr);
  posted_.clear();
  return result != -1;
}

INT_PTR CALLBACK MainWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->handle(window, message, wParam, lParam) : FALSE;
}

void MainWindow::initDialog(HWND window) {
  window_.store(window);
  // The About entry, behind a separator (string 101, command 16).
  if (HMENU menu = GetSystemMenu(window, FALSE)) {
    wchar_t text[128] = {};
    if (LoadStringW(instance_, kAboutMenuString, text, 128) > 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, app::kAboutCommandId, text);
    }
    // Verifying each copy against its master, a choice the controller keeps.
    AppendMenuW(menu, MF_STRING, app::kVerifyAfterCopyCommandId,
                toWide(app::kVerifyAfterCopyMenuText).c_str());
  }
  const auto icon = MAKEINTRESOURCEW(app::kAppIconId);
  bigIcon_ = static_cast<HICON>(LoadImageW(instance_, icon, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ =
      static_cast<HICON>(LoadImageW(instance_, icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  if (onCreated) onCreated(window);
  // Start-up's labels are blanked before the dialog is first drawn; its device work begins at once
  // and reaches the window once the dialog's loop runs.
  controller_->windowShown();
}

INT_PTR MainWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initDialog(window);
      return FALSE;  // the controller has put the focus on "退出"
    case kMsgCall:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return TRUE;
    case kMsgPosted:
      posted_.runAll();
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      // IDOK: Enter outside a push button (no control has ID 1). IDCANCEL: Esc, and "退出",
      // which has that ID. Every other click comes from a button, check box or radio.
      if (id == IDOK) {
        controller_->okCommand();
      } else if (id == IDCANCEL) {
        controller_->cancelCommand();
      } else if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        controller_->click(id);
      }
      return TRUE;
    }
    case WM_CLOSE:
      controller_->cancelCommand();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == app::kAboutCommandId) {
        controller_->aboutCommand();
        return TRUE;
      }
      if ((wParam & 0xFFF0) == app::kVerifyAfterCopyCommandId) {
        controller_->setVerifyAfterCopy(!controller_->verifyAfterCopy());
        return TRUE;
      }
      return FALSE;
    case WM_INITMENUPOPUP:
      // The system menu shows the choice as the controller has it.
      if (HIWORD(lParam) != 0) {
        CheckMenuItem(reinterpret_cast<HMENU>(wParam), app::kVerifyAfterCopyCommandId,
                      MF_BYCOMMAND | (controller_->verifyAfterCopy() ? MF_CHECKED : MF_UNCHECKED));
      }
      return FALSE;
    case WM_HELP:  // F1
      controller_->aboutCommand();
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != app::ids::kNameA && id != app::ids::kNameB) return FALSE;
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB((app::kDialogColourRed >> 16) & 0xFF,
                           (app::kDialogColourRed >> 8) & 0xFF, app::kDialogColourRed & 0xFF));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_PAINT:
      if (IsIconic(window)) {
        // Minimised: only the icon, centred.
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(window, &client);
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, bigIcon_);
        EndPaint(window, &paint);
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(bigIcon_);
    default:
      return FALSE;
  }
}

void MainWindow::runOnWindow(const std::function<void()>& call) {
  if (GetCurrentThreadId() == windowThread_) return call();
  HWND window = window_.load();
  // A window that is gone answers nothing: SendMessage then returns without running the call.
  if (window != nullptr) SendMessageW(window, kMsgCall, 0, reinterpret_cast<LPARAM>(&call));
}

void MainWindow::postToWindow(std::function<void()> call) {
  posted_.push(std::move(call));
  if (HWND window = window_.load()) PostMessageW(window, kMsgPosted, 0, 0);
}

void MainWindow::pumpUntil(const std::function<bool()>& done) {
  while (!done()) {
    MSG message;
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      PostQuitMessage(0);
      return;
    }
    HWND window = window_.load();
    if (window == nullptr || !IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    posted_.runAll();  // the window may be gone already, with the idle report queued
  }
}

std::string MainWindow::text(int id) {
  std::string out;
  runOnWindow([&] {
    HWND c = control(id);
    const int length = GetWindowTextLengthW(c);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(c, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(length));
    out = toUtf8(wide);
  });
  return out;
}

void MainWindow::setText(int id, const std::string& text) {
  runOnWindow([&] {
    HWND c = control(id);
    SetWindowTextW(c, toWide(id == app::ids::kLog ? text : withCrLf(text)).c_str());
    if (id == app::ids::kLog) {
      // Replacing the text keeps the newest lines in view.
      const LRESULT end = GetWindowTextLengthW(c);
      SendMessageW(c, EM_SETSEL, static_cast<WPARAM>(end), end);
      SendMessageW(c, EM_SCROLLCARET, 0, 0);
    }
  });
}

bool MainWindow::isChecked(int id) {
  bool checked = false;
  runOnWindow([&] { checked = SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; });
  return checked;
}

void MainWindow::setChecked(int id, bool checked) {
  // BM_SETCHECK changes that control only; a click is what clears the other radios of a group.
  runOnWindow(
      [&] { SendMessageW(control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); });
}

void MainWindow::progressSetRange(int id, int low, int high) {
  runOnWindow([&] {
    SendMessageW(control(id), PBM_SETRANGE, 0,
                 MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)));
  });
}

void MainWindow::progressSetPos(int id, int pos) {
  runOnWindow([&] { SendMessageW(control(id), PBM_SETPOS, static_cast<WPARAM>(pos), 0); });
}

void MainWindow::progressSetStep(int id, int step) {
  runOnWindow([&] { SendMessageW(control(id), PBM_SETSTEP, static_cast<WPARAM>(step), 0); });
}

void MainWindow::progressStepIt(int id) {
  runOnWindow([&] { SendMessageW(control(id), PBM_STEPIT, 0, 0); });
}

int MainWindow::messageBox(const app::MessageBoxRequest& request) {
  int answer = app::kIdCancel;
  runOnWindow([&] {
    HWND owner = request.owner == app::MessageOwner::Dialog ? window_.load() : nullptr;
    answer = showMessageBox(owner, request, open_);
  });
  return answer;
}

std::optional<std::string> MainWindow::fileDialog(const app::FileDialogRequest& request) {
  std::optional<std::string> chosen;
  runOnWindow([&] { chosen = showFileDialog(window_.load(), request, open_); });
  return chosen;
}

void MainWindow::setControlEnabled(int id, bool enabled) {
  EnableWindow(control(id), enabled ? TRUE : FALSE);
}

void MainWindow::setControlVisible(int id, bool visible) {
  ShowWindow(control(id), visible ? SW_SHOW : SW_HIDE);
}

int MainWindow::focusedControl() {
  HWND focus = GetFocus();
  HWND window = window_.load();
  if (focus == nullptr || window == nullptr || GetParent(focus) != window) return 0;
  return GetDlgCtrlID(focus);
}

void MainWindow::focusControl(int id) {
  if (HWND c = control(id))
    SendMessageW(window_.load(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
}

void MainWindow::showAbout() {
  showAboutBox(instance_, window_.load());
}

void MainWindow::endDialog(app::DialogEnd how) {
  EndDialog(window_.load(), how == app::DialogEnd::Cancelled ? IDCANCEL : IDOK);
}

}  // namespace norvik::win32
