#include "driver.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "app/dialog_template.h"
#include "app/front_end.h"
#include "app/message_map.h"
#include "check.h"
#include "wide_text.h"

namespace norvik::win32test {

namespace {

// Only a hang reaches this bound; every wait ends as soon as what it waits for happens.
constexpr auto kHangBound = std::chrono::seconds(60);
constexpr int kPollMs = 5;

struct Search {
  HWND main;
  std::wstring caption;
  bool messageBox = false;  // any caption, but a box's text
  HWND found = nullptr;
};

BOOL CALLBACK findWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  const bool wanted =
      search->messageBox ? GetDlgItem(window, 0xFFFF) != nullptr : search->caption == caption;
  if (window != search->main && IsWindowVisible(window) && std::wstring(className) == L"#32770" &&
      wanted) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

std::wstring windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

void Driver::click(int id) {
  PostMessageW(control(id), BM_CLICK, 0, 0);
}

void Driver::key(int id, UINT virtualKey) {
  SendMessageW(dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(id)), TRUE);
  PostMessageW(control(id), WM_KEYDOWN, virtualKey, 1);
  PostMessageW(control(id), WM_KEYUP, virtualKey, 0xC0000001);
}

std::string Driver::text(int id) {
  return win32::toUtf8(windowText(control(id)));
}

void Driver::setText(int id, const std::string& text) {
  SendMessageW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32::toWide(text).c_str()));
}

bool Driver::checked(int id) {
  return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Driver::noteIdle() {
  std::lock_guard lock(mutex_);
  ++idles_;
  changed_.notify_all();
}

void Driver::noteStartup() {
  std::lock_guard lock(mutex_);
  started_ = true;
  changed_.notify_all();
}

void Driver::noteEnded() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

int Driver::idles() {
  std::lock_guard lock(mutex_);
  return idles_;
}

bool Driver::waitIdleAfter(int since) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kHangBound, [&] { return idles_ > since; });
}

bool Driver::waitStartup() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kHangBound, [&] { return started_; });
}

bool Driver::waitEnded() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kHangBound, [&] { return ended_; });
}

bool Driver::clickAndWait(int id) {
  const int before = idles();
  click(id);
  return waitIdleAfter(before);
}

bool Driver::waitFor(const std::function<bool()>& done) {
  const auto giveUp = std::chrono::steady_clock::now() + kHangBound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

HWND Driver::waitForWindow(const std::string& caption) {
  Search search{dialog(), win32::toWide(caption)};
  const DWORD thread = GetWindowThreadProcessId(dialog(), nullptr);
  waitFor([&] {
    EnumThreadWindows(thread, findWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

HWND Driver::waitForMessageBox() {
  Search search{dialog(), L"", true};
  const DWORD thread = GetWindowThreadProcessId(dialog(), nullptr);
  waitFor([&] {
    EnumThreadWindows(thread, findWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

bool Driver::waitGone(HWND window) {
  return waitFor([window] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string Driver::boxText(HWND box) {
  return win32::toUtf8(windowText(GetDlgItem(box, 0xFFFF)));
}

void Driver::press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Driver::chooseFile(HWND fileDialog, const std::string& path) {
  const std::wstring wide = win32::toWide(path);
  const auto giveUp = std::chrono::steady_clock::now() + kHangBound;
  // The dialog may still be filling itself in when it shows: the name is typed and OK pressed
  // again until the dialog has gone.
  while (IsWindow(fileDialog) && IsWindowVisible(fileDialog) &&
         std::chrono::steady_clock::now() < giveUp) {
    // The name field: an edit (edt1), or the edit inside the name combo box (cmb13), which may
    // sit inside a ComboBoxEx.
    HWND name = GetDlgItem(fileDialog, 0x480);
    for (HWND box = GetDlgItem(fileDialog, 0x47C); name == nullptr && box != nullptr;) {
      name = FindWindowExW(box, nullptr, L"Edit", nullptr);
      box = FindWindowExW(box, nullptr, L"ComboBox", nullptr);
    }
    if (name != nullptr) {
      SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
      press(fileDialog, IDOK);
    }
    for (int i = 0; i < 100 && IsWindow(fileDialog) && IsWindowVisible(fileDialog); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
  }
}

bool playSession(Driver& d, const std::string& script, const std::string& folder) {
  std::istringstream lines(script);
  std::string line;
  int number = 0;
  int beforeClick = d.idles();
  const DWORD thread = GetWindowThreadProcessId(d.dialog(), nullptr);
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb.empty() || verb[0] == '#') continue;
    int id = 0;
    bool played = true;
    if (verb == "click" && words >> id) {
      // A control that is still disabled takes no click: the work before it ends first. The
      // click is sent, so that the controller has taken it up when it returns (every box and
      // file dialog it leads to opens from the device thread, never inside the click).
      played = d.waitFor([&] { return IsWindowEnabled(d.control(id)) != FALSE; });
      beforeClick = d.idles();
      SendMessageW(d.control(id), BM_CLICK, 0, 0);
    } else if (verb == "set" && words >> id) {
      std::string text;
      words >> text;
      d.setText(id, text);
    } else if (verb == "file") {
      std::string name;
      words >> name;
      Search search{d.dialog(), L""};
      played = d.waitFor([&] {
        for (const wchar_t* title : {L"打开", L"另存为"}) {
          search.caption = title;
          EnumThreadWindows(thread, findWindow, reinterpret_cast<LPARAM>(&search));
          if (search.found != nullptr) return true;
        }
        return false;
      });
      if (played) Driver::chooseFile(search.found, folder + "\\" + name);
    } else if (verb == "box") {
      HWND box = d.waitForMessageBox();
      played = box != nullptr;
      if (played) {
        Driver::press(box, IDOK);
        played = d.waitGone(box);
      }
    } else if (verb == "idle") {
      played = d.waitIdleAfter(beforeClick);
    } else if (verb == "exit") {
      d.key(app::ids::kExit, VK_ESCAPE);
      return d.waitEnded();
    } else {
      played = false;
    }
    if (!played) {
      std::printf("FAILED session line %d: %s\n", number, line.c_str());
      return false;
    }
  }
  return true;
}

void driveDialog(const std::string& folder, const std::string& backend,
                 const std::function<void(Driver&)>& script) {
  SetCurrentDirectoryW(win32::toWide(folder).c_str());
  app::StartFailure failure;
  std::unique_ptr<app::Session> session =
      app::openFrontEndSession(backend, app::SessionOptions{}, &failure);
  if (!session) {
    std::printf("FAILED cannot start: %s\n", failure.text.c_str());
    return;
  }
  win32::MainWindow window(GetModuleHandleW(nullptr), session->backendName());
  app::bindProgrammer(window.controller(), session->attach(window.host()));
  Driver driver(window);
  window.controller().onIdle = [&driver] { driver.noteIdle(); };
  window.controller().onStartupFinished = [&driver] { driver.noteStartup(); };
  std::thread script_thread;
  window.onCreated = [&](HWND) {
    script_thread = std::thread([&] {
      if (driver.waitStartup()) script(driver);
    });
  };
  if (!window.runModal()) {
    std::printf("FAILED the dialog could not be created (Windows error %lu)\n", GetLastError());
    ++failures();
  }
  driver.noteEnded();
  if (script_thread.joinable()) script_thread.join();
}

}  // namespace norvik::win32test
