// The production loop of a copy station: chip after chip in socket B, each copied from socket A
// (or programmed from an image) and verified, counted, journaled, until a number of chips or a
// stop. It waits for a chip that was not there before by probing at most once a second, and sees
// the last chip taken out before it takes a chip as new; a chip already in socket B when the
// station starts is the first. One operation at a time: the steps of a chip run in order.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "app/outcome.h"
#include "app/programmer_dlg.h"
#include "platform/clock.h"

namespace norvik::app {

struct StationOptions {
  enum class Job { Copy, Program };
  Job job = Job::Copy;
  std::string imagePath;  // Program: the image, opened afresh whenever it was closed
  bool verify = false;
  int count = 0;      // chips to do; 0: until the stop
  int spareFlag = 1;  // the polling probe's page sizes, as the operation's own probe sends them
};

struct StationSummary {
  int passed = 0;
  int failed = 0;
  double meanSeconds = 0;   // of the chips' own operations
  double chipsPerHour = 0;  // from the station's start to the end of its last chip, swaps included
  double waitingSeconds = 0;  // spent waiting for chips to be taken out and put in
  bool stopped = false;       // the stop ended it (a chip it stopped counts neither way)
  bool noProgrammer = false;
  int exitCode = 0;
};

// Where the station's lines go: the command line prints them and rings the terminal's bell.
class StationOutput {
 public:
  virtual ~StationOutput() = default;
  virtual void line(const std::string& text) = 0;
  virtual void bell() = 0;
};

// The controls (socket radios, options, start and length edits) are as the caller set them for
// the operation; each chip runs it with them.
StationSummary runStation(CProgrammerDlg& dlg, Clock& clock, const StationOptions& options,
                          StationOutput& out, std::stop_token stop);

}  // namespace norvik::app
