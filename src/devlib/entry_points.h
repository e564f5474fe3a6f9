// The vendor's device library, qxUSBDev.dll, and the two functions the programmer is reached by.
// Which names the library exports them under, and with which calling convention, is not known
// beforehand: a library built with extern "C" __cdecl, or with a .def file, exports the plain
// names; one built with __stdcall and no .def file exports the decorated names (four int-sized
// arguments, so "@16"). The resolver takes the first name it finds, plain names first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::devlib {

inline constexpr const char* kLibraryFile = "qxUSBDev.dll";
inline constexpr const char* kWriteFunction = "qxUSB_WriteData";
inline constexpr const char* kReadFunction = "qxUSB_ReadData";

// An exported function as the loader finds it; only callEntry (either_convention.h) calls it.
using RawEntry = void (*)();

// The names `function` may be exported under, in the order they are tried: the plain name, the
// decorated __stdcall name as Microsoft's tools write it, and as GNU ld writes it.
std::vector<std::string> exportNamesOf(std::string_view function);

struct EntryPoints {
  RawEntry write = nullptr;
  RawEntry read = nullptr;
  std::string writeExport;  // the names they were found under
  std::string readExport;
};

// Looks both functions up through `lookup` (the export of that name, or nullptr). nullopt, with
// `error` naming the library `shownLibrary` and the missing function, when either is missing.
std::optional<EntryPoints> resolveEntryPoints(const std::function<RawEntry(const char*)>& lookup,
                                              std::string_view shownLibrary, std::string* error);

}  // namespace norvik::devlib
