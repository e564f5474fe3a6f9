#include "app/bar_progress.h"

#include <cstdio>

#include "app/messages.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

std::string percentText(int percent) {
  char buf[32];
  std::snprintf(buf, sizeof buf, kPercentFormat, percent);
  return buf;
}

std::string percentLabel(std::uint32_t i, std::uint32_t wholeUnits) {
  return percentText(static_cast<int>(operations::percentOf(i, wholeUnits)));
}

void BarProgress::started(std::uint32_t wholeUnits) {
  host_.progressSetPos(bar_, 0);
  host_.progressSetRange(bar_, 0, static_cast<int>(((wholeUnits >> 6) + 1) & 0xFFFF));
  host_.progressSetStep(bar_, 1);
}

void BarProgress::advanced(std::uint32_t index, std::uint32_t wholeUnits) {
  host_.progressStepIt(bar_);
  host_.setText(label_, percentLabel(index, wholeUnits));
}

}  // namespace norvik::app
