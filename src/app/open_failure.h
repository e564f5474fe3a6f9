// The message for a file that could not be opened: why, and which file. A file that another
// program holds is "文件被占用", as it has always said; every other cause says what it is, so
// that nobody goes looking for another program when the file is simply missing.
#pragma once

#include <string>

#include "files/file_object.h"

namespace norvik::app {

// `file` is the object whose open of `path` failed; `creating` when the open would have created
// the file.
std::string openFailureText(const files::FileObject& file, const std::string& path, bool creating);

}  // namespace norvik::app
