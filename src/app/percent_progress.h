// A programmer-side job's progress (copy, erase) on one of the dialog's bars and its label.
#pragma once

#include "app/dialog_host.h"
#include "operations/job_follower.h"

namespace norvik::app {

class PercentProgress final : public operations::JobProgress {
 public:
  PercentProgress(DialogHost& host, int bar, int label) : host_(host), bar_(bar), label_(label) {}
  // The bar takes the percentage only from a whole report; the label shows it in every case.
  void polled(std::uint8_t percent, bool moveBar) override;

 private:
  DialogHost& host_;
  int bar_;
  int label_;
};

}  // namespace norvik::app
