#include <windows.h>

#include <cerrno>
#include <utility>

#include "platform/whole_file_os.h"
#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "platform/working_folder.h"
#include "platform/working_folder_os.h"

namespace norvik {

namespace os = working_folder_os;

namespace {

// The folder above `native` (a long path); a drive's root stays itself.
std::wstring parentOf(const std::wstring& native) {
  if (native.empty() || native.back() == L'\\') return native;
  const std::size_t cut = native.rfind(L'\\');
  if (cut == std::wstring::npos) return native;
  std::wstring parent = native.substr(0, cut);
  if (!parent.empty() && parent.back() == L':') parent += L'\\';  // "\\?\C:" is "\\?\C:\"
  return parent;
}

}  // namespace

// A folder is held as its long path: the file system is asked for each name anew.
class os::Folder {
 public:
  explicit Folder(std::wstring native) : native_(std::move(native)) {}
  const std::wstring& native() const { return native_; }
  // The path of `name` in the folder.
  std::wstring pathOf(const NativeName& name) const {
    return name == L".." ? parentOf(native_) : joinNative(native_, name);
  }

 private:
  std::wstring native_;
};

void os::FolderRelease::operator()(Folder* folder) const noexcept {
  delete folder;
}

// Windows takes either slash between components.
const std::string_view os::kSeparators = "\\/";

os::NativeName os::nativeName(std::string_view utf8) {
  return toWide(utf8);
}

std::string os::shownName(const NativeName& name) {
  return toUtf8(name);
}

os::FolderPtr os::openFolder(std::string_view path) {
  std::wstring native = longPath(path.empty() ? std::wstring(L".") : toWide(path));
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    errno = lastWindowsErrno();
    return nullptr;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    errno = ENOTDIR;
    return nullptr;
  }
  return FolderPtr(new Folder(std::move(native)));
}

// The file system matches without regard to case already; the look-up is for the spelling.
std::optional<os::NativeName> os::spellingIn(const Folder& folder, const NativeName& name) {
  // A name, never a pattern.
  if (name.find_first_of(L"*?") != std::wstring::npos) {
    errno = ENOENT;
    return std::nullopt;
  }
  WIN32_FIND_DATAW data{};
  const HANDLE find = FindFirstFileExW(joinNative(folder.native(), name).c_str(), FindExInfoBasic,
                                       &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    errno = lastWindowsErrno();
    return std::nullopt;
  }
  FindClose(find);
  return std::wstring(data.cFileName);
}

os::FolderPtr os::enter(const Folder& folder, const NativeName& name) {
  return FolderPtr(new Folder(folder.pathOf(name)));
}

WholeFile os::readIn(const Folder& folder, const NativeName& name, std::size_t maxBytes,
                     std::string_view shownName) {
  return readWholeNativeFile(folder.pathOf(name), maxBytes, shownName);
}

std::optional<std::wstring> WorkingFolder::nativePathOf(std::string_view relativeName,
                                                        std::string* actualName) const {
  std::optional<os::Resolved> r = os::resolve(root_.get(), relativeName, true);
  if (!r) return std::nullopt;
  if (actualName) *actualName = std::move(r->spelled);
  return r->folder->pathOf(r->last);
}

}  // namespace norvik
