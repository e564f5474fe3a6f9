#include "app/percent_progress.h"

#include "app/bar_progress.h"

namespace norvik::app {

void PercentProgress::polled(std::uint8_t percent, bool moveBar) {
  if (moveBar) host_.progressSetPos(bar_, percent);
  host_.setText(label_, percentText(percent));
}

}  // namespace norvik::app
