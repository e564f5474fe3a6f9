#include "devlib/library_loader.h"

namespace norvik::devlib {

std::optional<LoadedLibrary> loadDeviceLibrary(const std::string&, std::string* error) {
  if (error) {
    *error = std::string(kLibraryFile) +
             " is the vendor's 32-bit Windows library; this build reaches the simulated "
             "programmer only (use the Windows build of norvik-cli for a real programmer)";
  }
  return std::nullopt;
}

}  // namespace norvik::devlib
