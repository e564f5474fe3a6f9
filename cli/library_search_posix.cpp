#include "library_search.h"

namespace norvik::cli {

// The Linux build loads no library of its own choosing.
void restrictLibrarySearch() {}

}  // namespace norvik::cli
