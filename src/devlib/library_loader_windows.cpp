#include <windows.h>

#include <string>

#include "devlib/either_convention.h"
#include "devlib/library_loader.h"
#include "platform/wide_path.h"

namespace norvik::devlib {

namespace {

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

// The named file made absolute against the current directory: a library loaded with its own
// folder on the search path must be named by its full path.
std::wstring absolute(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  if (written == 0 || written >= n) return path;
  out.resize(written);
  return out;
}

// The program's folder, with its last separator.
std::wstring programFolder() {
  std::wstring own = modulePath(nullptr);
  const std::size_t slash = own.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : own.substr(0, slash + 1);
}

// The file named, or the program's folder's copy: nothing else is tried, so that neither the
// current directory nor PATH can put a library of somebody else's in its place. The library's
// own dependencies are looked for in its folder, the program's and the system's.
HMODULE loadFrom(const std::wstring& file, DWORD* error) {
  HMODULE m = LoadLibraryExW(file.c_str(), nullptr,
                             LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (m == nullptr) *error = GetLastError();
  return m;
}

std::string whyNotLoaded(DWORD error, const std::wstring& file, bool named) {
  const std::string where = toUtf8(file);
  switch (error) {
    case ERROR_MOD_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      if (named) {
        return std::string(kLibraryFile) + " was not found at " + where +
               " (or a library it needs is missing)";
      }
      return std::string(kLibraryFile) + " was not found: it must be beside the program, as " +
             where + ", or named with --device-library PATH (the working folder and PATH are " +
             "never searched), or a library it needs is missing";
    case ERROR_BAD_EXE_FORMAT:
      // The library must match this build: a 32-bit program loads only a 32-bit one.
      return where + " is not a " + std::to_string(sizeof(void*) * 8) + "-bit Windows library";
    default:
      return where + " could not be loaded (Windows error " + std::to_string(error) + ")";
  }
}

}  // namespace

std::optional<LoadedLibrary> loadDeviceLibrary(const std::string& explicitPath,
                                               std::string* error) {
  const bool named = !explicitPath.empty();
  const std::wstring file =
      named ? absolute(toWide(explicitPath)) : programFolder() + wideLibraryName();
  DWORD loadError = 0;
  HMODULE module = loadFrom(file, &loadError);
  if (module == nullptr) {
    if (error) *error = whyNotLoaded(loadError, file, named);
    return std::nullopt;
  }
  const std::string path = toUtf8(modulePath(module));
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
