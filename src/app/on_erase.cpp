// "开始擦除": the programmer erases a range of the chosen socket's chip by itself and reports the
// bad blocks it met.
#include <cstdio>

#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/percent_progress.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "link/replies.h"
#include "operations/job_follower.h"

namespace norvik::app {

namespace {
constexpr int kBeforePairPauseMs = 5;
}

void CProgrammerDlg::OnErase(std::stop_token stop) {
  lastOutcome_ = Outcome::None;
  // All six bits go to the programmer; the chip-enable radios are not read.
  link::OperationFlags flags;
  flags.spare = host_.isChecked(ids::kCopySpare);
  flags.largePage = host_.isChecked(ids::kLargePage);
  flags.smallPage = host_.isChecked(ids::kSmallPage);
  flags.hugePage = host_.isChecked(ids::kHugePage);
  flags.skipBad = host_.isChecked(ids::kCopySkipBad);
  flags.socketA = host_.isChecked(ids::kSelectA);

  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kEraseStart));
  const std::uint32_t length = scanHex32(host_.text(ids::kEraseLength)).value_or(0);
  if (length == 0) return refuse(Outcome::BadInput, kMsgEnterEraseLength);
  if (!start) return refuse(Outcome::BadInput, kMsgEnterEraseStart);

  if (!probeThreeTimes(flags.spare ? 1 : 0, flags.socketA ? Sockets::A : Sockets::B)) return;
  showChipNames();
  link_.pause(kBeforePairPauseMs);

  const link::PairOutcome pair = link::commandPair(link_, link::kCmdErase, *start, length,
                                                   flags.byte(), link::kErasePair, stop);
  if (!accepted(pair)) return;

  // The acknowledgement is the first progress report: a short erase may be done already.
  link::Packet report = pair.reply;
  if (!operations::wholeReport(pair.lastReadBytes, report) ||
      link::progress::percent(report) != link::progress::kDone) {
    PercentProgress progress(host_, ids::kEraseBar, ids::kErasePercent);
    const operations::JobOutcome job =
        operations::followJob(link_, operations::kErasePolling, report, progress, stop);
    if (job.result == operations::JobResult::Stopped) return noteStopped(/*jobGoesOn=*/true);
    if (job.result == operations::JobResult::Silent) {
      return refuse(Outcome::NoAnswer, kMsgEraseNoAnswer);
    }
    report = job.report;
  }

  lastBadBlockCount_ = link::progress::status(report);
  char text[64];
  std::snprintf(text, sizeof text, kMsgBadBlockFormat, lastBadBlockCount_);
  message(text);
  host_.progressSetPos(ids::kEraseBar, 0);
  host_.setText(ids::kErasePercent, kTextEraseDone);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineEraseDone);
  showLog();
  lastOutcome_ = Outcome::Succeeded;
}

}  // namespace norvik::app
