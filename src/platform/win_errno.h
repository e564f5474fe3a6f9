// Windows error codes as the errno values that the program's callers test and show: a file held
// by another opener is EWOULDBLOCK on every platform, a missing one ENOENT, and so on.
#pragma once

#ifdef _WIN32

#include "platform/errno_text.h"

namespace norvik {

// The errno value for a GetLastError() code; EIO for one without a closer match.
int errnoFromWindows(unsigned long error);
// The same for GetLastError() itself.
int lastWindowsErrno();

}  // namespace norvik

#endif
