#include "platform/library_search.h"

namespace norvik {

// The Linux build loads no library of its own choosing.
void restrictLibrarySearch() {}

}  // namespace norvik
