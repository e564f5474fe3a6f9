// "开始解扣": programs the open image into the selected socket's chip.
#include <cstdio>

#include "app/bar_progress.h"
#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "operations/chip_range.h"
#include "operations/streams.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
constexpr int kWorkerWriteTimeoutMs = 1000;
constexpr int kTestModeWriteTimeoutMs = 2000;
}  // namespace

void CProgrammerDlg::OnProgram(std::stop_token stop) {
  const RecordScope record(*this, "program");
  lastOutcome_ = Outcome::None;
  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kProgramStart));
  if (!start) return refuse(Outcome::BadInput, kMsgEnterProgramStart);

  const link::OperationFlags options = optionFlags(ids::kProgramSpare, ids::kProgramSkipBad);
  state_.programFlags = options.byte();
  const bool testMode = host_.isChecked(ids::kTestMode);
  noteOptions(options.spare, options.skipBad, options.ce1);

  if (!state_.imageFile.isOpen()) return refuse(Outcome::FileUnusable, kMsgOpenImage);
  noteFile(state_.imageFile.path());
  state_.imageFile.seek(0);
  const std::int64_t fileLength = state_.imageFile.length();
  if (!testMode && fileLength > std::int64_t{0xFFFFFFFF}) {
    return refuse(Outcome::FileUnusable, kMsgImageTooLarge);
  }
  state_.programLength = testMode ? kTestModeLength : static_cast<std::uint32_t>(fileLength);

  char lengthText[16];
  std::snprintf(lengthText, sizeof lengthText, "%x", state_.programLength);
  host_.setText(ids::kProgramLength, lengthText);
  noteRange(options.socketA ? "A" : "B", *start, state_.programLength);

  if (!prepareTransfer(options)) return;
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, options.spare);
  if (!rangeFitsChip(options.socketA ? link::Socket::A : link::Socket::B, *start,
                     operations::programmedSpan(state_.programLength, unit, options.spare))) {
    return;
  }
  state_.programStart = *start;

  const link::PairOutcome pair =
      link::commandPair(link_, link::kCmdProgram, *start, state_.programLength, state_.programFlags,
                        link::kProgramPair, stop);
  if (!accepted(pair)) return;

  appendDetectionLines();
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineProgramStart);
  showLog();

  // The stream runs on this (device) thread in both modes; what test mode changes is told in
  // ProgramThreadProc.
  ProgramThreadProc(stop);
}

void CProgrammerDlg::ProgramThreadProc(std::stop_token stop) {
  const bool testMode = host_.isChecked(ids::kTestMode);
  const MessageOwner owner = testMode ? MessageOwner::Dialog : MessageOwner::None;
  const bool spare = link::OperationFlags::fromByte(state_.programFlags).spare;
  const operations::ImageStream stream{
      .image = state_.imageFile,
      .unit = operations::transferUnit(state_.chips.transfer, spare),
      .length = state_.programLength,
      .writeTimeoutMs = testMode ? kTestModeWriteTimeoutMs : kWorkerWriteTimeoutMs,
      .seekEveryUnit = testMode,
      .checksum = &streamChecksum_,
  };
  streamChecksum_.reset();
  BarProgress progress(host_, ids::kProgramBar, ids::kProgramPercent);
  const operations::StreamOutcome outcome = operations::streamImage(link_, stream, progress, stop);
  // The whole units sent stay programmed; after a failure the image is closed.
  if (endedEarly(outcome.result, state_.imageFile, /*closeOnStop=*/false, owner, kMsgSendError,
                 kMsgImageReadError)) {
    return;
  }
  noteDigest(streamChecksum_.digest());
  noteMoved(state_.programLength);
  showDone(ids::kProgramBar, ids::kProgramPercent, kTextProgramDone, Tail::LabelFirst);
  logSuccess(kLineProgramDone);
}

}  // namespace norvik::app
