// Following a job that runs inside the programmer (the copy and the erase): polling its progress
// reports until one says 100, with a bound on how long the programmer may stay silent.
#pragma once

#include <cstdint>
#include <stop_token>

#include "link/command_packet.h"
#include "link/device_link.h"

namespace norvik::operations {

// What the follower reports each cycle; the handler shows it on its bar and label.
class JobProgress {
 public:
  virtual ~JobProgress() = default;
  // The percentage the buffer holds after the cycle; `moveBar` when the cycle's second read was a
  // whole report marked as one (the bar takes only those, the label every value).
  virtual void polled(std::uint8_t percent, bool moveBar) = 0;
};

struct JobPolling {
  int pauseMs;  // at the start of every cycle: 200 for the copy, 100 for the erase
  // How long the programmer may deliver no whole progress report before the job is given up. It
  // reports every 100-200 ms while a job runs, so ten seconds of silence mean it stopped.
  double silenceBoundMs = 10'000;
};

inline constexpr JobPolling kCopyPolling{200};
inline constexpr JobPolling kErasePolling{100};

enum class JobResult {
  Done,     // a whole progress report said 100
  Silent,   // no whole report within the bound: the job's end is unknown
  Stopped,  // the stop was requested; the job goes on inside the programmer
};

struct JobOutcome {
  JobResult result = JobResult::Done;
  link::Packet report{};  // the report that said 100 (Done); otherwise the buffer as left
};

// A whole progress report: all 16 bytes arrived and byte 0 marks a report.
bool wholeReport(int bytesRead, const link::Packet& buffer);

// Polls: pause, two reads of the reply endpoint into `buffer`, report, until a whole report from
// either read says 100. `buffer` holds the reply the pair left (erase) or a fresh buffer (copy).
JobOutcome followJob(link::DeviceLink& link, const JobPolling& polling, link::Packet& buffer,
                     JobProgress& progress, std::stop_token stop);

}  // namespace norvik::operations
