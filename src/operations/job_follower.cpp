#include "operations/job_follower.h"

#include "link/exchange.h"
#include "link/replies.h"

namespace norvik::operations {

bool wholeReport(int bytesRead, const link::Packet& buffer) {
  return bytesRead == link::kPacketSize && link::progress::marked(buffer);
}

JobOutcome followJob(link::DeviceLink& link, const JobPolling& polling, link::Packet& buffer,
                     JobProgress& progress, std::stop_token stop) {
  double lastReportMs = link.clock().monotonicMs();
  auto doneBy = [&](int bytesRead) {
    if (!wholeReport(bytesRead, buffer)) return false;
    lastReportMs = link.clock().monotonicMs();
    return link::progress::percent(buffer) == link::progress::kDone;
  };
  for (;;) {
    if (stop.stop_requested()) return {JobResult::Stopped, buffer};
    link.pause(polling.pauseMs);
    // Either read may bring the last report; the second one's bytes stay in the buffer.
    const bool firstDone = doneBy(link::readReply(link, buffer));
    const link::Packet first = buffer;
    const int second = link::readReply(link, buffer);
    const bool secondDone = doneBy(second);
    progress.polled(link::progress::percent(buffer), wholeReport(second, buffer));
    if (secondDone) return {JobResult::Done, buffer};
    if (firstDone) return {JobResult::Done, first};
    // A backend that has given up on the programmer won't bring another report.
    if (link.clock().monotonicMs() - lastReportMs >= polling.silenceBoundMs || link.backendLost()) {
      return {JobResult::Silent, buffer};
    }
  }
}

}  // namespace norvik::operations
