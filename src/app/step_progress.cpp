#include "app/step_progress.h"

#include "app/bar_progress.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

void StepProgress::polled(std::uint8_t percent, bool moveBar) {
  const int shown = overall(percent);
  if (moveBar) host_.progressSetPos(bar_, shown);
  host_.setText(label_, percentText(shown));
}

void StepProgress::advanced(std::uint32_t index, std::uint32_t wholeUnits) {
  const int shown = overall(static_cast<int>(operations::percentOf(index, wholeUnits)));
  host_.progressSetPos(bar_, shown);
  host_.setText(label_, percentText(shown));
}

}  // namespace norvik::app
