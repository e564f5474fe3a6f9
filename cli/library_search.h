// Where the program's libraries may come from: on Windows the program's folder and the system's
// only, never the current directory (the working folder, where operators exchange images) or
// PATH. Called first thing in main.
#pragma once

namespace norvik::cli {

void restrictLibrarySearch();

}  // namespace norvik::cli
