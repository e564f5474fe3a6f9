// "上载": reads a range of the selected socket's chip into a new file. The same read serves the
// checks that take the data as it arrives instead of keeping it: the blank check and the
// verification after a copy.
#include "app/bar_progress.h"
#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/open_failure.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "operations/streams.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
constexpr int kWorkerReadTimeoutMs = 3000;
constexpr int kTestModeReadTimeoutMs = 1000;
}  // namespace

void CProgrammerDlg::OnRead(std::stop_token stop) {
  const RecordScope record(*this, "read");
  lastOutcome_ = Outcome::None;
  if (!ChooseReadOutput()) return;

  const link::OperationFlags options = optionFlags(ids::kReadSpare, ids::kReadSkipBad);
  state_.readFlags = options.byte();

  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kReadStart));
  const std::optional<std::uint32_t> length = scanHex32(host_.text(ids::kReadLength));
  if (!start || !length) {
    refuse(Outcome::BadInput, kMsgEnterReadRange);
    state_.readFile.close();
    return;
  }
  readRange(*start, *length, state_.readFlags, stop);
}

void CProgrammerDlg::readRange(std::uint32_t start, std::uint32_t length, std::uint8_t flags,
                               std::stop_token stop) {
  state_.readLength = length;
  state_.readFlags = flags;
  const link::OperationFlags options = link::OperationFlags::fromByte(flags);
  noteRange(options.socketA ? "A" : "B", start, length);
  noteOptions(options.spare, options.skipBad, options.ce1);
  // Every refusal closes the read file object (open here only when the caller opened it).
  auto refuseAndClose = [this](Outcome why, const std::string& text) {
    refuse(why, text);
    state_.readFile.close();
  };

  if (!prepareTransfer(options) ||
      !rangeFitsChip(options.socketA ? link::Socket::A : link::Socket::B, start, length)) {
    return state_.readFile.close();
  }
  // The chosen output is created (an existing file emptied) only now that the read is sure to
  // be sent: a refused read leaves the file as it was.
  const bool callerOpened = host_.isChecked(ids::kTestMode) || readIntoOpenFile_;
  noteFile(callerOpened ? state_.readFile.path() : readOutputPath_);
  if (!callerOpened && !state_.readFile.open(readOutputPath_, files::Access::ReadWrite,
                                             files::Disposition::CreateAlways)) {
    return refuseAndClose(Outcome::FileUnusable,
                          openFailureText(state_.readFile, readOutputPath_, /*creating=*/true));
  }

  appendDetectionLines();
  link_.pause(kSettlePauseMs);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadStart);
  showLog();

  const link::PairOutcome pair =
      link::commandPair(link_, link::kCmdRead, start, length, flags, link::kReadPair, stop);
  if (!accepted(pair)) return state_.readFile.close();

  ReadThreadProc(stop);
}

void CProgrammerDlg::ReadThreadProc(std::stop_token stop) {
  const bool testMode = host_.isChecked(ids::kTestMode);
  const bool keepOpen = testMode || readIntoOpenFile_;  // the caller reads the file back first
  const MessageOwner owner = testMode ? MessageOwner::Dialog : MessageOwner::None;
  const bool spare = link::OperationFlags::fromByte(state_.readFlags).spare;
  files::FileObject& out = state_.readFile;
  operations::FileSink sink(out, testMode ? operations::FileSink::Placing::AtOwnOffsets
                                          : operations::FileSink::Placing::FromStart);
  streamChecksum_.reset();
  const operations::RangeStream stream{
      .output = sink,
      .unit = operations::transferUnit(state_.chips.transfer, spare),
      .length = state_.readLength,
      .readTimeoutMs = testMode ? kTestModeReadTimeoutMs : kWorkerReadTimeoutMs,
      .testMode = testMode,
      .checksum = &streamChecksum_,
  };
  BarProgress progress(host_, ids::kReadBar, ids::kReadPercent);
  const operations::StreamOutcome outcome = operations::streamRange(link_, stream, progress, stop);
  // The whole units received stay in the file, which is closed.
  const std::string cutShort = kMsgOutputCutShort + out.path();
  if (endedEarly(outcome.result, out, /*closeOnStop=*/true, owner, kMsgReceiveError,
                 kMsgWriteFileError, cutShort.c_str())) {
    return;
  }
  noteDigest(streamChecksum_.digest());
  noteMoved(streamChecksum_.bytes());
  showDone(ids::kReadBar, ids::kReadPercent, kTextReadDone, Tail::LabelFirst);
  if (!keepOpen) out.close();
  logSuccess(kLineReadDone);
}

bool CProgrammerDlg::readIntoSink(const SinkRead& read, std::stop_token stop) {
  const link::OperationFlags options = link::OperationFlags::fromByte(read.flags);
  if (!prepareTransfer(options) ||
      !rangeFitsChip(options.socketA ? link::Socket::A : link::Socket::B, read.start,
                     read.length)) {
    return false;
  }
  appendDetectionLines();
  link_.pause(kSettlePauseMs);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadStart);
  showLog();

  const link::PairOutcome pair = link::commandPair(link_, link::kCmdRead, read.start, read.length,
                                                   read.flags, link::kReadPair, stop);
  if (!accepted(pair)) return false;

  read.checksum.reset();
  const operations::RangeStream stream{
      .output = read.sink,
      .unit = operations::transferUnit(state_.chips.transfer, options.spare),
      .length = read.length,
      .readTimeoutMs = kWorkerReadTimeoutMs,
      .checksum = &read.checksum,
  };
  const operations::StreamOutcome outcome =
      operations::streamRange(link_, stream, read.progress, stop);
  switch (outcome.result) {
    case operations::StreamResult::Done:
      logSuccess(kLineReadDone);
      return true;
    case operations::StreamResult::Stopped:
      noteStopped();
      return false;
    case operations::StreamResult::TransferFailed:
      refuse(Outcome::TransferFailed, kMsgReceiveError, MessageOwner::None);
      return false;
    case operations::StreamResult::FileFailed:
    case operations::StreamResult::CutShort:
      refuse(Outcome::FileUnusable, kMsgCompareFileUnreadable, MessageOwner::None);
      return false;
  }
  return false;
}

}  // namespace norvik::app
