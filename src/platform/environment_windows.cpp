#include <windows.h>

#include "platform/environment.h"
#include "platform/wide_path.h"

namespace norvik {

std::optional<std::string> environmentVariable(const char* name) {
  const std::wstring wideName = toWide(name);
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();  // set, and empty
    }
    if (n < value.size()) {
      value.resize(n);
      return toUtf8(value);
    }
    value.resize(n);  // too small: n counts the terminating null
  }
}

}  // namespace norvik
