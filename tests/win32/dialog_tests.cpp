// The Windows dialog, driven in its own process with window messages through our test
// qxUSBDev.dll: start-up, program, read, copy, erase and the self-test with their boxes and file
// dialogs answered, the keys and the system menu, the exit during an operation, the layout from
// the template and the texts that must fit.
//
//   norvik-dialog-tests.exe CATALOGUE_FOLDER     (qxUSBDev.dll beside it; NORVIK_DLL_SIMULATOR)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/dialog_template.h"
#include "check.h"
#include "driver.h"
#include "wide_text.h"

namespace norvik::win32test {

std::vector<Case>& cases() {
  static std::vector<Case> all;
  return all;
}
int& failures() {
  static int n = 0;
  return n;
}
int& checks() {
  static int n = 0;
  return n;
}

namespace {

std::string catalogueFolder;
std::string baseFolder;
int folderCount = 0;

std::string readFile(const std::string& path) {
  std::ifstream in(std::filesystem::path(win32::toWide(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(win32::toWide(path)), std::ios::binary) << bytes;
}

std::string randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// A fresh working folder with the catalogue, named in Chinese like an operator's might be.
std::string newFolder() {
  const std::string folder = baseFolder + "\\工作目录" + std::to_string(++folderCount);
  CreateDirectoryW(win32::toWide(folder).c_str(), nullptr);
  CreateDirectoryW(win32::toWide(folder + "\\nand_lib").c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(win32::toWide(catalogueFolder + "\\*.ini").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = win32::toUtf8(found.cFileName);
      CopyFileW(win32::toWide(catalogueFolder + "\\" + name).c_str(),
                win32::toWide(folder + "\\nand_lib\\" + name).c_str(), FALSE);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return folder;
}

void leave(Driver& d) {
  d.key(app::ids::kExit, VK_ESCAPE);
  d.waitEnded();
}

WIN32_TEST(StartUpShowsBothChipsAndTheCaptionNamesTheLibrary) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    CHECK_EQ(d.text(1022), "K9F1G08U0B");
    CHECK_EQ(d.text(1029), "MT29F2G08ABAEA");
    CHECK_EQ(d.text(1043), "2112-64");
    CHECK_EQ(d.text(1044), "2112-64");
    CHECK_EQ(d.text(1010), "8000000");
    wchar_t caption[128] = {};
    GetWindowTextW(d.dialog(), caption, 128);
    CHECK_EQ(win32::toUtf8(caption), "Norvik 双座NAND编程器 [qxUSBDev.dll]");
    CHECK(GetFocus() == nullptr || GetDlgCtrlID(GetFocus()) == 2);
    leave(d);
  });
  const std::string log = readFile(folder + "\\systemlog.log");
  CHECK(log.find("ECF10095") != std::string::npos);
}

WIN32_TEST(ProgramThenReadGivesTheImageBack) {
  const std::string folder = newFolder();
  const std::string image = randomBytes(4 * 8448, 7);  // four units with the spare area
  writeFile(folder + "\\img.bin", image);
  driveDialog(folder, "dll", [&](Driver& d) {
    const int chosen = d.idles();
    d.click(1005);
    HWND open = d.waitForWindow("打开");
    CHECK(open != nullptr);
    Driver::chooseFile(open, folder + "\\img.bin");
    CHECK(d.waitIdleAfter(chosen));
    d.setText(1013, "0");
    CHECK(d.clickAndWait(1003));
    CHECK_EQ(d.text(1021), "下载成功");
    CHECK_EQ(d.text(1014), "8400");
    d.setText(1009, "0");
    d.setText(1010, "8000");
    const int before = d.idles();
    d.click(1008);
    HWND save = d.waitForWindow("另存为");
    CHECK(save != nullptr);
    Driver::chooseFile(save, folder + "\\out.bin");
    CHECK(d.waitIdleAfter(before));
    CHECK_EQ(d.text(1020), "上载成功");
    leave(d);
  });
  CHECK(readFile(folder + "\\out.bin") == image);
}

WIN32_TEST(CopyAndEraseEndWithTheirTextsAndTheCountBox) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    d.setText(1028, "0");
    d.setText(1025, "20000");
    CHECK(d.clickAndWait(1023));
    CHECK_EQ(d.text(1033), "拷贝成功！！");
    d.setText(1034, "0");
    d.setText(1035, "20000");
    const int before = d.idles();
    d.click(1004);
    HWND count = d.waitForWindow("Norvik");
    CHECK(count != nullptr);
    CHECK_EQ(Driver::boxText(count), "检测到坏块数:0");
    CHECK(d.text(1039) != "擦除成功！！");  // the label follows the box
    Driver::press(count, IDOK);
    CHECK(d.waitIdleAfter(before));
    CHECK_EQ(d.text(1039), "擦除成功！！");
    leave(d);
  });
}

WIN32_TEST(TheSelfTestNamesItsSocketAndPasses) {
  const std::string folder = newFolder();
  writeFile(folder + "\\test.bin", randomBytes(0x600000, 11));
  driveDialog(folder, "dll", [](Driver& d) {
    const int before = d.idles();
    d.click(3);
    HWND confirm = d.waitForWindow("Norvik");
    CHECK(confirm != nullptr);
    CHECK(Driver::boxText(confirm).find("座子B") != std::string::npos);
    Driver::press(confirm, IDOK);
    HWND verdict = nullptr;
    // The confirmation goes first; the verdict is the next box of that caption.
    for (int i = 0; i < 100 && (verdict == nullptr || verdict == confirm); ++i) {
      verdict = d.waitForWindow("Norvik");
      if (verdict == confirm) Sleep(20);
    }
    CHECK_EQ(Driver::boxText(verdict), "   测试正常");
    Driver::press(verdict, IDOK);
    CHECK(d.waitIdleAfter(before));
    leave(d);
  });
}

WIN32_TEST(EscDuringAReadAsksAndYesStopsItAndSavesTheLog) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [&](Driver& d) {
    d.setText(1009, "0");
    d.setText(1010, "8000000");  // the whole chip: long enough to be left in the middle
    d.click(1008);
    HWND save = d.waitForWindow("另存为");
    Driver::chooseFile(save, folder + "\\whole.bin");
    for (int i = 0; i < 2000 && d.text(1020).empty(); ++i) Sleep(5);  // the read is under way
    d.key(1009, VK_ESCAPE);
    HWND question = d.waitForWindow("Norvik");
    CHECK(question != nullptr);
    CHECK_EQ(Driver::boxText(question),
             "操作正在进行。要停止操作并退出吗？（已经传完的数据单元会保留）");
    Driver::press(question, IDYES);
    CHECK(d.waitEnded());
  });
  const std::string log = readFile(folder + "\\systemlog.log");
  // "操作已停止（退出）" in code page 936.
  CHECK(log.find("\xB2\xD9\xD7\xF7\xD2\xD1\xCD\xA3\xD6\xB9") != std::string::npos);
}

WIN32_TEST(EnterInAnEditEndsWithoutSavingTheLog) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    d.key(1009, VK_RETURN);
    CHECK(d.waitEnded());
  });
  CHECK(GetFileAttributesW(win32::toWide(folder + "\\systemlog.log").c_str()) ==
        INVALID_FILE_ATTRIBUTES);
}

WIN32_TEST(TheSystemMenuAndFOneOpenTheAboutBox) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    HMENU menu = GetSystemMenu(d.dialog(), FALSE);
    wchar_t entry[64] = {};
    GetMenuStringW(menu, 16, entry, 64, MF_BYCOMMAND);
    CHECK_EQ(win32::toUtf8(entry), "关于 Norvik(&A)...");
    wchar_t verify[64] = {};
    GetMenuStringW(menu, 32, verify, 64, MF_BYCOMMAND);
    CHECK_EQ(win32::toUtf8(verify), "拷贝后校验");
    // The choice, as the menu shows it when it opens, and remembered beside the log.
    SendMessageW(d.dialog(), WM_SYSCOMMAND, 32, 0);
    SendMessageW(d.dialog(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
    CHECK((GetMenuState(menu, 32, MF_BYCOMMAND) & MF_CHECKED) != 0);
    SendMessageW(d.dialog(), WM_SYSCOMMAND, 32, 0);
    SendMessageW(d.dialog(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
    CHECK((GetMenuState(menu, 32, MF_BYCOMMAND) & MF_CHECKED) == 0);
    PostMessageW(d.dialog(), WM_SYSCOMMAND, 16, 0);
    HWND about = d.waitForWindow("Norvik 技术支持");
    CHECK(about != nullptr);
    Driver::press(about, IDOK);
    SendMessageW(d.dialog(), WM_NULL, 0, 0);
    // F1 reaches a control as WM_KEYF1, which becomes WM_HELP to the dialog.
    SendMessageW(d.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(d.control(1013)), TRUE);
    PostMessageW(d.control(1013), 0x004D /* WM_KEYF1 */, 0, 0);
    about = d.waitForWindow("Norvik 技术支持");
    CHECK(about != nullptr);
    Driver::press(about, IDOK);
    leave(d);
  });
}

WIN32_TEST(ARadioClickClearsItsGroupAndOnlyThatGroup) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    CHECK(d.clickAndWait(1032));
    d.click(1047);
    SendMessageW(d.dialog(), WM_NULL, 0, 0);
    CHECK(d.checked(1032));
    CHECK(!d.checked(1031));
    CHECK(d.clickAndWait(1031));
    CHECK(d.checked(1031) && !d.checked(1032));
    CHECK(d.checked(1047));
    leave(d);
  });
}

// Every control where the template puts it: its rectangle in dialog units mapped with the
// dialog's font, x, y, width and height each on its own; and every text inside its control.
WIN32_TEST(EveryControlLiesOnItsTemplateRectangleAndEveryTextFits) {
  const std::string folder = newFolder();
  driveDialog(folder, "dll", [](Driver& d) {
    const auto& rows = app::mainDialogTemplate().controls;
    HWND child = GetWindow(d.dialog(), GW_CHILD);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(d.dialog(), WM_GETFONT, 0, 0));
    HDC dc = GetDC(d.dialog());
    SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // 宋体's base units at 9 points and 96 dpi: 6 x 12 pixels.
    RECT units{0, 0, 4, 8};
    MapDialogRect(d.dialog(), &units);
    CHECK_EQ(static_cast<int>(units.right), 6);
    CHECK_EQ(static_cast<int>(units.bottom), 12);
    int fitted = 0;
    for (const app::ControlSpec& c : rows) {
      if (!CHECK(child != nullptr)) break;
      // Each component mapped on its own, as the dialog manager maps them.
      RECT expected{c.x, c.y, c.width, c.height};
      MapDialogRect(d.dialog(), &expected);
      RECT actual;
      GetWindowRect(child, &actual);
      MapWindowPoints(nullptr, d.dialog(), reinterpret_cast<POINT*>(&actual), 2);
      const std::string where = " control " + std::to_string(c.id);
      ::norvik::win32test::check(actual.left == expected.left, "x", __FILE__, __LINE__, where);
      ::norvik::win32test::check(actual.top == expected.top, "y", __FILE__, __LINE__, where);
      ::norvik::win32test::check(actual.right - actual.left == expected.right, "width", __FILE__,
                                 __LINE__, where);
      ::norvik::win32test::check(actual.bottom - actual.top == expected.bottom, "height", __FILE__,
                                 __LINE__, where);
      wchar_t className[16] = {};
      GetClassNameW(child, className, 16);
      const int textLength = GetWindowTextLengthW(child);
      if (std::wstring(className) == L"Static" && textLength > 0 &&
          c.kind != app::ControlKind::Icon) {
        std::wstring text(static_cast<std::size_t>(textLength) + 1, L'\0');
        GetWindowTextW(child, text.data(), textLength + 1);
        text.resize(static_cast<std::size_t>(textLength));
        RECT client;
        GetClientRect(child, &client);
        RECT needed = client;
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        ::norvik::win32test::check(needed.right <= client.right && needed.bottom <= client.bottom,
                                   "text fits", __FILE__, __LINE__, where);
        ++fitted;
      }
      child = GetWindow(child, GW_HWNDNEXT);
    }
    CHECK(fitted > 20);
    ReleaseDC(d.dialog(), dc);
    leave(d);
  });
}

}  // namespace
}  // namespace norvik::win32test

int wmain(int argc, wchar_t** argv) {
  using namespace norvik::win32test;
  if (argc == 4 && std::wstring(argv[1]) == L"--play") {
    // --play SCRIPT FOLDER: the session script in a folder prepared for it.
    const std::string script = readFile(norvik::win32::toUtf8(argv[2]));
    const std::string folder = norvik::win32::toUtf8(argv[3]);
    bool played = false;
    driveDialog(folder, "dll", [&](Driver& d) { played = playSession(d, script, folder); });
    std::printf("win32-session: %s\n", played ? "played" : "FAILED");
    return played ? 0 : 1;
  }
  if (argc < 2) {
    std::printf("usage: norvik-dialog-tests CATALOGUE_FOLDER | --play SCRIPT FOLDER\n");
    return 64;
  }
  catalogueFolder = norvik::win32::toUtf8(argv[1]);
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  baseFolder = norvik::win32::toUtf8(temp) + "norvik-dialog-tests-" +
               std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  CreateDirectoryW(norvik::win32::toWide(baseFolder).c_str(), nullptr);
  // NORVIK_TEST_CASE=<name> runs that case only.
  const char* only = std::getenv("NORVIK_TEST_CASE");
  for (const Case& c : cases()) {
    if (only != nullptr && *only != '\0' && std::string(only) != c.name) continue;
    const int before = failures();
    std::printf("case %s\n", c.name);
    std::fflush(stdout);
    c.body();
    std::printf("%s %s\n", failures() == before ? "ok" : "FAILED", c.name);
    std::fflush(stdout);
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(norvik::win32::toWide(baseFolder)), ignored);
  std::printf("win32-tests: %d checks, %d failed\n", checks(), failures());
  return failures() == 0 ? 0 : 1;
}
