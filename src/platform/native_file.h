// An open file as the system holds it, for the file wrappers above the platform (FileObject, the
// simulator's page store): a descriptor on POSIX, a HANDLE on Windows.
#pragma once

namespace norvik {

#ifdef _WIN32
using NativeFile = void*;
inline constexpr NativeFile kNoFile = nullptr;
#else
using NativeFile = int;
inline constexpr NativeFile kNoFile = -1;
#endif

}  // namespace norvik
