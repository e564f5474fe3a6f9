// A stream's progress shown on one of the dialog's bars and its percentage label.
#pragma once

#include <cstdint>
#include <string>

#include "app/dialog_host.h"
#include "operations/progress.h"

namespace norvik::app {

// "%d％", as the percentage labels show a percentage.
std::string percentText(int percent);
// percentText of the share of `i` in `wholeUnits` (0 when there is no whole unit).
std::string percentLabel(std::uint32_t i, std::uint32_t wholeUnits);

class BarProgress final : public operations::StreamProgress {
 public:
  BarProgress(DialogHost& host, int bar, int label) : host_(host), bar_(bar), label_(label) {}
  // Position 0, one step per 64 units, step 1.
  void started(std::uint32_t wholeUnits) override;
  void advanced(std::uint32_t index, std::uint32_t wholeUnits) override;

 private:
  DialogHost& host_;
  int bar_;
  int label_;
};

}  // namespace norvik::app
