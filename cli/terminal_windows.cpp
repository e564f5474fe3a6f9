#include <io.h>
#include <windows.h>

#include "terminal.h"

namespace norvik::cli {

bool isTerminal(std::FILE* stream) {
  const int fd = _fileno(stream);
  // _isatty says yes for any character device, NUL included: only a console counts.
  if (_isatty(fd) == 0) return false;
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

}  // namespace norvik::cli
