// "上载": reads a range of the selected socket's chip into a new file.
#include "app/bar_progress.h"
#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "operations/streams.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
constexpr int kWorkerReadTimeoutMs = 3000;
constexpr int kTestModeReadTimeoutMs = 1000;
constexpr int kBeforeStartLinePauseMs = 5;
}  // namespace

void CProgrammerDlg::OnRead(std::stop_token stop) {
  lastOutcome_ = Outcome::None;
  if (!ChooseReadOutput()) return;

  const std::uint8_t flags = optionFlags(ids::kReadSpare, ids::kReadSkipBad);
  state_.readFlags = flags;
  const link::OperationFlags options = link::OperationFlags::fromByte(flags);

  // From here on every refusal closes the output, which stays on disk, empty.
  auto refuseAndClose = [this](Outcome why, const char* text) {
    refuse(why, text);
    state_.readFile.close();
  };
  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kReadStart));
  const std::optional<std::uint32_t> length = scanHex32(host_.text(ids::kReadLength));
  if (!start || !length) return refuseAndClose(Outcome::BadInput, kMsgEnterReadRange);
  state_.readLength = *length;

  if (!probeThreeTimes(options.spare ? 1 : 0, options.socketA ? Sockets::A : Sockets::B))
    return state_.readFile.close();
  showChipNames();
  fillTransferGeometry(options.socketA);
  if (!operations::transferUnit(state_.chips.transfer, options.spare).usable()) {
    return refuseAndClose(Outcome::SocketUnusable, kMsgUnsupportedGeometry);
  }

  appendDetectionLines();
  link_.pause(kBeforeStartLinePauseMs);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadStart);
  showLog();

  const link::PairOutcome pair = link::commandPair(link_, link::kCmdRead, *start, state_.readLength,
                                                   flags, link::kReadPair, stop);
  if (!accepted(pair)) return state_.readFile.close();

  ReadThreadProc(stop);
}

void CProgrammerDlg::ReadThreadProc(std::stop_token stop) {
  const bool testMode = host_.isChecked(ids::kTestMode);
  const MessageOwner owner = testMode ? MessageOwner::Dialog : MessageOwner::None;
  const bool spare = link::OperationFlags::fromByte(state_.readFlags).spare;
  files::FileObject& out = state_.readFile;
  const operations::RangeStream stream{
      .output = out,
      .unit = operations::transferUnit(state_.chips.transfer, spare),
      .length = state_.readLength,
      .readTimeoutMs = testMode ? kTestModeReadTimeoutMs : kWorkerReadTimeoutMs,
      .testMode = testMode,
  };
  BarProgress progress(host_, ids::kReadBar, ids::kReadPercent);
  const operations::StreamOutcome outcome = operations::streamRange(link_, stream, progress, stop);
  switch (outcome.result) {
    case operations::StreamResult::Done:
      break;
    case operations::StreamResult::Stopped:
      out.close();  // the whole units received stay in the file
      return noteStopped();
    // The message first, then the output is closed; the units written so far stay.
    case operations::StreamResult::TransferFailed:
      refuse(Outcome::TransferFailed, kMsgReceiveError, owner);
      out.close();
      return;
    case operations::StreamResult::FileFailed:
      refuse(Outcome::FileUnusable, kMsgWriteFileError, owner);
      out.close();
      return;
  }
  host_.setText(ids::kReadPercent, kTextReadDone);
  host_.progressSetPos(ids::kReadBar, 0);
  if (!testMode) out.close();  // the self-test reads its file back first
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadDone);
  showLog();
  lastOutcome_ = Outcome::Succeeded;
}

}  // namespace norvik::app
