// One bar and label across the steps of a longer operation, each step an equal share: the copy
// with its verification shows the copy, the read of socket A and the read of socket B on the
// copy's own bar (range 0 to 100) and label, a third each.
#pragma once

#include <cstdint>

#include "app/dialog_host.h"
#include "operations/job_follower.h"
#include "operations/progress.h"

namespace norvik::app {

class StepProgress final : public operations::JobProgress, public operations::StreamProgress {
 public:
  // Step `step` (0-based) of `steps`.
  StepProgress(DialogHost& host, int bar, int label, int step, int steps)
      : host_(host), bar_(bar), label_(label), step_(step), steps_(steps) {}

  // A programmer-side job: the bar takes a whole report's percentage, the label every value.
  void polled(std::uint8_t percent, bool moveBar) override;
  // A stream: the bar keeps its range; bar and label move every 64 units.
  void started(std::uint32_t /*wholeUnits*/) override {}
  void advanced(std::uint32_t index, std::uint32_t wholeUnits) override;

 private:
  int overall(int percent) const { return (step_ * 100 + percent) / steps_; }

  DialogHost& host_;
  int bar_;
  int label_;
  int step_;
  int steps_;
};

}  // namespace norvik::app
