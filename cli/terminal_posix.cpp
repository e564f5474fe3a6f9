#include <unistd.h>

#include "terminal.h"

namespace norvik::cli {

bool isTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

}  // namespace norvik::cli
