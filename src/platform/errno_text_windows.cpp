#include <cerrno>
#include <cstring>

#include "platform/errno_text.h"

namespace norvik {

// The Windows C library words some values differently and has no text for others (EWOULDBLOCK,
// ...): those are written out as Linux says them.
std::string errnoText(int error) {
  switch (error) {
    case EWOULDBLOCK:
      return "Resource temporarily unavailable";
    case ENOTEMPTY:
      return "Directory not empty";
    case ENAMETOOLONG:
      return "File name too long";
    case ENOMEM:
      return "Cannot allocate memory";
    default:
      return std::strerror(error);
  }
}

}  // namespace norvik
