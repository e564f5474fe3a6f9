// "开始擦除": the programmer erases a range of the chosen socket's chip by itself and reports the
// bad blocks it met.
#include <cstdio>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/percent_progress.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "link/replies.h"
#include "operations/job_follower.h"

namespace norvik::app {

void CProgrammerDlg::OnErase(std::stop_token stop) {
  const RecordScope record(*this, "erase");
  lastOutcome_ = Outcome::None;
  // All six bits go to the programmer; the chip-enable radios are not read.
  const link::OperationFlags flags =
      optionFlags(ids::kCopySpare, ids::kCopySkipBad, ChipEnable::NotSent);
  noteOptions(flags.spare, flags.skipBad, std::nullopt);
  const JobRequest job{
      .command = link::kCmdErase,
      .flags = flags.byte(),
      .spareFlag = flags.spare ? 1 : 0,
      .sockets = flags.socketA ? Sockets::A : Sockets::B,
      .startEdit = ids::kEraseStart,
      .lengthEdit = ids::kEraseLength,
      .enterStart = kMsgEnterEraseStart,
      .enterLength = kMsgEnterEraseLength,
      .timing = link::kErasePair,
  };
  const std::optional<link::PairOutcome> pair = startProgrammerJob(job, stop);
  if (!pair) return;

  // The acknowledgement is the first progress report: a short erase may be done already.
  link::Packet report = pair->reply;
  if (!operations::wholeReport(pair->lastReadBytes, report) ||
      link::progress::percent(report) != link::progress::kDone) {
    PercentProgress progress(host_, ids::kEraseBar, ids::kErasePercent);
    const operations::JobOutcome followed =
        operations::followJob(link_, operations::kErasePolling, report, progress, stop);
    if (followed.result == operations::JobResult::Stopped) {
      return noteStopped(/*jobGoesOn=*/true);
    }
    if (followed.result == operations::JobResult::Silent) {
      return refuse(Outcome::NoAnswer, kMsgEraseNoAnswer);
    }
    report = followed.report;
  }

  lastBadBlockCount_ = link::progress::status(report);
  if (recordDepth_ > 0) record_.badBlocks = lastBadBlockCount_;
  noteMoved(jobLength_);
  char text[64];
  std::snprintf(text, sizeof text, kMsgBadBlockFormat, lastBadBlockCount_);
  message(text);
  showDone(ids::kEraseBar, ids::kErasePercent, kTextEraseDone, Tail::BarFirst);
  logSuccess(kLineEraseDone);
}

}  // namespace norvik::app
