#include <windows.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "platform/working_folder.h"

namespace norvik {

namespace {

// Windows takes either slash between components.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> out;
  while (!path.empty()) {
    const std::size_t slash = path.find_first_of("/\\");
    const std::string_view part = path.substr(0, slash);
    if (!part.empty() && part != ".") out.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return out;
}

// The folder above `native` (a long path); a drive's root stays itself.
std::wstring parentOf(const std::wstring& native) {
  if (native.empty() || native.back() == L'\\') return native;
  const std::size_t cut = native.rfind(L'\\');
  if (cut == std::wstring::npos) return native;
  std::wstring parent = native.substr(0, cut);
  if (!parent.empty() && parent.back() == L':') parent += L'\\';  // "\\?\C:" is "\\?\C:\"
  return parent;
}

// The entry of `folder` named `name` as it is spelled on disk. The file system matches without
// regard to case already; the look-up is for the spelling. "." and ".." stand for themselves.
std::optional<std::wstring> matchInFolder(const std::wstring& folder, const std::wstring& name) {
  if (name == L"." || name == L"..") return name;
  // A name, never a pattern.
  if (name.find_first_of(L"*?") != std::wstring::npos) {
    errno = ENOENT;
    return std::nullopt;
  }
  WIN32_FIND_DATAW data{};
  const HANDLE find = FindFirstFileExW(joinNative(folder, name).c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    errno = errnoFromWindows(GetLastError());
    return std::nullopt;
  }
  FindClose(find);
  return std::wstring(data.cFileName);
}

struct Resolved {
  std::wstring native;  // the long path to open
  std::string spelled;  // the relative name as it is on disk, '/' between components
};

// Walks `parts` from `root`, matching each component; with `allowMissingLast`, a last component
// that is not there keeps the spelling given. nullopt with errno set otherwise.
std::optional<Resolved> resolve(const std::wstring& root,
                                const std::vector<std::string_view>& parts, bool allowMissingLast) {
  Resolved r{root, {}};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const std::wstring wanted = toWide(parts[i]);
    std::optional<std::wstring> actual = matchInFolder(r.native, wanted);
    if (!actual) {
      if (!last || !allowMissingLast || errno != ENOENT) return std::nullopt;
      actual = wanted;
    }
    r.native = *actual == L".." ? parentOf(r.native) : joinNative(r.native, *actual);
    r.spelled += toUtf8(*actual);
    if (!last) r.spelled += '/';
  }
  return r;
}

}  // namespace

WorkingFolder::WorkingFolder(std::string_view path) : path_(path) {
  std::wstring native = longPath(path.empty() ? std::wstring(L".") : toWide(path));
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error_ = errnoFromWindows(GetLastError());
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error_ = ENOTDIR;
  } else {
    native_ = std::move(native);
    error_ = 0;
  }
}

WorkingFolder::~WorkingFolder() = default;

WorkingFolder::WorkingFolder(WorkingFolder&& other) noexcept
    : native_(std::exchange(other.native_, std::wstring())),
      error_(std::exchange(other.error_, ENOENT)),
      path_(std::move(other.path_)) {}

WorkingFolder& WorkingFolder::operator=(WorkingFolder&& other) noexcept {
  if (this != &other) {
    native_ = std::exchange(other.native_, std::wstring());
    error_ = std::exchange(other.error_, ENOENT);
    path_ = std::move(other.path_);
  }
  return *this;
}

std::string WorkingFolder::pathOf(std::string_view relativeName) const {
  std::string out = path_;
  if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '\\';
  for (const char c : relativeName) out += c == '/' ? '\\' : c;
  return out;
}

std::optional<std::string> WorkingFolder::find(std::string_view relativeName) const {
  const std::vector<std::string_view> parts = components(relativeName);
  if (!isOpen() || parts.empty()) return std::nullopt;
  std::optional<Resolved> r = resolve(native_, parts, false);
  if (!r) return std::nullopt;
  return std::move(r->spelled);
}

std::optional<std::wstring> WorkingFolder::nativePathOf(std::string_view relativeName,
                                                        std::string* actualName) const {
  const std::vector<std::string_view> parts = components(relativeName);
  if (!isOpen() || parts.empty()) {
    errno = isOpen() ? ENOENT : EBADF;
    return std::nullopt;
  }
  std::optional<Resolved> r = resolve(native_, parts, true);
  if (!r) return std::nullopt;
  if (actualName) *actualName = std::move(r->spelled);
  return std::move(r->native);
}

WholeFile WorkingFolder::readFile(std::string_view relativeName, std::size_t maxBytes) const {
  const std::string shown = pathOf(relativeName);
  if (!isOpen()) {
    WholeFile f;
    if (error_ != ENOENT && error_ != ENOTDIR) f.status = WholeFile::Status::Unreadable;
    f.message = path_ + ": " + errnoText(error_ ? error_ : ENOENT);
    return f;
  }
  const std::vector<std::string_view> parts = components(relativeName);
  std::optional<Resolved> r = parts.empty() ? std::nullopt : resolve(native_, parts, false);
  if (!r) {
    WholeFile f;
    f.message = shown + ": " + errnoText(ENOENT);
    return f;
  }
  return readWholeNativeFile(r->native, maxBytes, pathOf(r->spelled));
}

}  // namespace norvik
