// Loading qxUSBDev.dll: from the program's own folder, or from the file the operator names, and
// from nowhere else. Never from the current directory or PATH: the working folder is where
// operators exchange images, and a library dropped there would run with the program's rights.
// The library's own dependencies come from its folder, the program's and the system's. It stays
// loaded until the process ends (a call given up by the backend may still be running inside it).
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
// `explicitPath`: the file the operator named (--device-library); empty for the program's folder.
std::optional<LoadedLibrary> loadDeviceLibrary(const std::string& explicitPath, std::string* error);

}  // namespace norvik::devlib
