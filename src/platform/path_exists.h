// Whether something stands under a path, without opening it: what a refused open is explained
// with (a folder that may not be written to, or a file that may not be opened).
#pragma once

#include <string>

namespace norvik {

// True when `path` (UTF-8, of any length) names an existing file, folder or device.
bool pathExists(const std::string& path);

}  // namespace norvik
