#include <windows.h>

#include "library_search.h"

namespace norvik::cli {

void restrictLibrarySearch() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace norvik::cli
