// The installed program as another program sees it: norvik.exe started in a working folder, its
// modal dialog found by its caption, a button clicked, a text read, and the dialog closed through
// the close box, after which the run's log is in systemlog.log and the program has ended with 0.
//
//   norvik-smoke.exe PATH\TO\norvik.exe WORKING_FOLDER [ARGS...]
//   norvik-smoke.exe --refused PATH\TO\norvik.exe WORKING_FOLDER [ARGS...]
// The second form expects norvik.exe to refuse to start: its message box is read (printed as
// "smoke: refused: TEXT"), answered, and the program must end with 2. With --ok first, the dialog
// is left with the OK command (Enter) instead of the close box, which saves no log.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr auto kHangBound = std::chrono::seconds(60);

bool eventually(const auto& done) {
  const auto giveUp = std::chrono::steady_clock::now() + kHangBound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::wstring textOf(HWND window) {
  wchar_t text[256] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

int fail(const char* what) {
  std::printf("smoke: FAILED %s\n", what);
  return 1;
}

struct Search {
  DWORD process;
  bool messageBox = false;  // the refusal's box rather than the dialog
  HWND found = nullptr;
};

BOOL CALLBACK findDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  const int wanted = search->messageBox ? 0xFFFF : 1022;
  if (process == search->process && IsWindowVisible(window) &&
      std::wstring(className) == L"#32770" && GetDlgItem(window, wanted) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// The text of the refusal's message box, as UTF-8 (the console prints it whatever its code page).
std::string utf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

int wmain(int argc, wchar_t** argv) {
  const bool leaveWithOk = argc > 1 && std::wstring(argv[1]) == L"--ok";
  if (leaveWithOk) {
    ++argv;
    --argc;
  }
  const bool refusal = argc > 1 && std::wstring(argv[1]) == L"--refused";
  if (refusal) {
    ++argv;
    --argc;
  }
  if (argc < 3)
    return fail("usage: norvik-smoke.exe [--refused] NORVIK_EXE WORKING_FOLDER [ARGS...]");
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  for (int i = 3; i < argc; ++i) command += L" " + std::wstring(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, argv[2],
                      &startup, &process)) {
    return fail("cannot start norvik.exe");
  }
  Search search{process.dwProcessId, refusal};
  if (!eventually([&] {
        EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      })) {
    return fail("no dialog appeared");
  }
  HWND dialog = search.found;
  if (refusal) {
    std::printf("smoke: refused: %s\n", utf8(textOf(GetDlgItem(dialog, 0xFFFF))).c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return fail("did not end");
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("smoke: exit %lu\n", code);
    return code == 2 ? 0 : 1;
  }
  // Start-up has filled in socket A's chip name.
  if (!eventually([&] { return !textOf(GetDlgItem(dialog, 1022)).empty(); })) {
    return fail("start-up never showed socket A's chip");
  }
  const std::wstring chip = textOf(GetDlgItem(dialog, 1022));
  std::printf("smoke: caption %s, socket A holds %s\n", utf8(textOf(dialog)).c_str(),
              utf8(chip).c_str());
  // 刷新设备: the refresh runs and the name is shown again.
  PostMessageW(GetDlgItem(dialog, 4), BM_CLICK, 0, 0);
  if (!eventually([&] { return IsWindowEnabled(GetDlgItem(dialog, 4)) == FALSE; }) &&
      textOf(GetDlgItem(dialog, 1022)) != chip) {
    return fail("the refresh button did nothing");
  }
  if (!eventually([&] { return IsWindowEnabled(GetDlgItem(dialog, 4)) != FALSE; })) {
    return fail("the refresh never ended");
  }
  if (leaveWithOk) {
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  } else {
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return fail("did not end");
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  const std::wstring log = std::wstring(argv[2]) + L"\\systemlog.log";
  if (code != 0) return fail("norvik.exe did not end with 0");
  const bool logged = GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (logged == leaveWithOk)
    return fail(leaveWithOk ? "the OK command saved the log" : "no systemlog.log");
  std::printf("smoke: passed\n");
  return 0;
}
