// Where the program's libraries may come from: on Windows the program's folder and the system's
// only, never the current directory (the working folder, where operators exchange images) or
// PATH. Each program calls it first thing in main, before it loads the vendor's library.
#pragma once

namespace norvik {

void restrictLibrarySearch();

}  // namespace norvik
