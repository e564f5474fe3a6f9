// The Windows API's side of the program's text: the program holds text and paths as UTF-8, the
// API takes and gives UTF-16. Every Windows source converts at the call, with these, so that
// Chinese folder and file names work whatever the system's ANSI code page is.
#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace norvik {

// UTF-8 to UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring toWide(std::string_view utf8);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view wide);

// The form of a path that the file functions take at any length: made absolute against the
// current directory, with backslashes, and "\\?\" before a drive path ("\\?\UNC\" before a
// share), which lifts the 260-character limit. A device path (\\.\COM1, and the names NUL, CON,
// ... that the system resolves to one) is left as the system resolves it.
std::wstring longPath(std::string_view utf8Path);
std::wstring longPath(const std::wstring& path);

// `folder` (a long path) joined with one name, one backslash between them.
std::wstring joinNative(const std::wstring& folder, std::wstring_view name);

// Whether a folder stands at `nativePath` (a long path). A folder does not open as a file, and
// the open fails as if for a permission: this tells the two apart.
bool isFolder(const std::wstring& nativePath);

}  // namespace norvik

#endif
