#include "app/dialog_host.h"

namespace norvik::app {

int progressStepped(int pos, int step, int low, int high) {
  int next = pos + step;
  if (high > low && next > high) next = low + (next - low) % (high - low);
  return next;
}

}  // namespace norvik::app
