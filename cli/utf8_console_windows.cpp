#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "utf8_console.h"
// After windows.h, which it needs:
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace norvik::cli {

namespace {
std::string utf8Of(const wchar_t* wide) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), bytes, nullptr, nullptr);
  out.pop_back();  // the terminating null
  return out;
}
}  // namespace

Utf8Console::Utf8Console(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    for (int i = 0; i < count; ++i) args_.push_back(utf8Of(wide[i]));
    LocalFree(wide);
  } else {
    args_.assign(argv, argv + argc);  // no better source
  }
  for (std::string& a : args_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);

  // The C library would write "\r\n" for "\n" in its default text mode.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  previousOutputCodePage_ = GetConsoleOutputCP();  // 0 without a console
  if (previousOutputCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  std::fflush(stdout);
  std::fflush(stderr);
  // The console outlives us (it is the shell's): it gets its own code page back.
  if (previousOutputCodePage_ != 0) SetConsoleOutputCP(previousOutputCodePage_);
}

}  // namespace norvik::cli
