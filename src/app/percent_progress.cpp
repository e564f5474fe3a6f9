#include "app/percent_progress.h"

#include <cstdio>

#include "app/messages.h"

namespace norvik::app {

void PercentProgress::polled(std::uint8_t percent, bool moveBar) {
  if (moveBar) host_.progressSetPos(bar_, percent);
  char text[32];
  std::snprintf(text, sizeof text, kPercentFormat, int{percent});
  host_.setText(label_, text);
}

}  // namespace norvik::app
