// Loading qxUSBDev.dll. It is looked for in the program's own folder first, then on Windows'
// usual DLL search path. It stays loaded until the process ends (a call given up by the
// backend may still be running inside it).
#pragma once

#include <optional>
#include <string>

#include "devlib/device_library_backend.h"
#include "devlib/entry_points.h"

namespace norvik::devlib {

struct LoadedLibrary {
  LibraryFunctions functions;
  std::string path;         // the file that was loaded
  std::string exportsUsed;  // "qxUSB_WriteData, qxUSB_ReadData", or the decorated names found
};

// nullopt, with `error` naming the file and what is wrong (missing, not a Windows library of
// this build's width, a function missing), when the library can't be used. Builds for other
// platforms have no device library and always say so.
std::optional<LoadedLibrary> loadDeviceLibrary(std::string* error);

}  // namespace norvik::devlib
