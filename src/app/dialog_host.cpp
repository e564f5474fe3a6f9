#include "app/dialog_host.h"

namespace norvik::app {

int progressStepped(int pos, int step, int low, int high) {
  int next = pos + step;
  if (high > low && next > high) next = low + (next - low) % (high - low);
  return next;
}

std::string defaultSuffix(std::string_view extension) {
  if (extension.starts_with('*')) extension.remove_prefix(1);
  if (extension.starts_with('.')) extension.remove_prefix(1);
  return std::string(extension);
}

}  // namespace norvik::app
