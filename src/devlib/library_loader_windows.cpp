#include <windows.h>

#include <string>

#include "devlib/either_convention.h"
#include "devlib/library_loader.h"

namespace norvik::devlib {

namespace {

std::string utf8Of(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring modulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring wideLibraryName() {
  const std::string narrow = kLibraryFile;
  return std::wstring(narrow.begin(), narrow.end());  // plain ASCII
}

// The program's folder first: an operator puts the vendor's DLL next to norvik-cli.exe.
HMODULE loadFromProgramFolderOrSearchPath(DWORD* error) {
  std::wstring own = modulePath(nullptr);
  const std::size_t slash = own.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    const std::wstring beside = own.substr(0, slash + 1) + wideLibraryName();
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
      // The library's own dependencies are then looked for beside it too.
      HMODULE m = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (m == nullptr) *error = GetLastError();
      return m;
    }
  }
  HMODULE m = LoadLibraryW(wideLibraryName().c_str());
  if (m == nullptr) *error = GetLastError();
  return m;
}

std::string whyNotLoaded(DWORD error) {
  const std::string file = kLibraryFile;
  switch (error) {
    case ERROR_MOD_NOT_FOUND:
      return file +
             " was not found, neither in norvik-cli's folder nor on the DLL search path "
             "(or a library it needs is missing)";
    case ERROR_BAD_EXE_FORMAT:
      // The library must match this build: a 32-bit norvik-cli.exe loads only a 32-bit one.
      return file + " is not a " + std::to_string(sizeof(void*) * 8) + "-bit Windows library";
    default:
      return file + " could not be loaded (Windows error " + std::to_string(error) + ")";
  }
}

}  // namespace

std::optional<LoadedLibrary> loadDeviceLibrary(std::string* error) {
  DWORD loadError = 0;
  HMODULE module = loadFromProgramFolderOrSearchPath(&loadError);
  if (module == nullptr) {
    if (error) *error = whyNotLoaded(loadError);
    return std::nullopt;
  }
  const std::string path = utf8Of(modulePath(module));
  const auto lookup = [module](const char* name) {
    // FARPROC to a generic function pointer: the call goes through callEntry's thunk.
    return reinterpret_cast<RawEntry>(GetProcAddress(module, name));
  };
  std::optional<EntryPoints> entries = resolveEntryPoints(lookup, path, error);
  if (!entries) {
    FreeLibrary(module);
    return std::nullopt;
  }
  LoadedLibrary loaded;
  loaded.path = path;
  loaded.exportsUsed = entries->writeExport + ", " + entries->readExport;
  loaded.functions.write = [entry = entries->write](int endpoint, unsigned char* buffer, int length,
                                                    int timeoutMs) {
    return callEntry(entry, endpoint, buffer, length, timeoutMs);
  };
  loaded.functions.read = [entry = entries->read](int endpoint, unsigned char* buffer, int length,
                                                  int timeoutMs) {
    return callEntry(entry, endpoint, buffer, length, timeoutMs);
  };
  return loaded;
}

}  // namespace norvik::devlib
