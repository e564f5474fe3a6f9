// "上载": reads a range of the selected socket's chip into a new file.
#include <array>
#include <cstdio>

#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
constexpr int kWorkerReadTimeoutMs = 3000;
constexpr int kTestModeReadTimeoutMs = 1000;
constexpr int kUnitPauseMs = 1;
constexpr int kBeforeStartLinePauseMs = 5;
constexpr std::uint32_t kProgressEvery = 64;
}  // namespace

void CProgrammerDlg::OnRead(std::stop_token stop) {
  lastResult_ = OperationResult::Refused;
  if (!ChooseReadOutput()) return;
  lastResult_ = OperationResult::Refused;

  const std::uint8_t flags = optionFlags(ids::kReadSpare, ids::kReadSkipBad);
  state_.readFlags = flags;
  const bool socketA = (flags & 0x20) != 0;

  // From here on every refusal closes the output, which stays on disk, empty.
  auto refuse = [this](const char* text) {
    message(text);
    state_.readFile.close();
  };
  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kReadStart));
  const std::optional<std::uint32_t> length = scanHex32(host_.text(ids::kReadLength));
  if (!start || !length) return refuse(kMsgEnterReadRange);
  state_.readLength = *length;

  if (!probeThreeTimes(flags & 0x01, socketA)) return state_.readFile.close();
  showChipNames();
  fillTransferGeometry(socketA);
  if (!operations::transferUnit(state_.chips.transfer, flags & 0x01).usable()) {
    return refuse(kMsgUnsupportedGeometry);
  }

  appendDetectionLines();
  link_.pause(kBeforeStartLinePauseMs);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadStart);
  showLog();

  const link::PairOutcome pair = link::commandPair(link_, link::kCmdRead, *start, state_.readLength,
                                                   flags, link::kReadPair, stop);
  if (pair.result == link::PairResult::Stopped) {
    lastResult_ = OperationResult::Stopped;
    state_.readFile.close();
    return;
  }
  if (pair.result == link::PairResult::TimedOut) return refuse(kMsgNoAcknowledge);

  ReadThreadProc(stop);
}

void CProgrammerDlg::ReadThreadProc(std::stop_token stop) {
  const bool testMode = host_.isChecked(ids::kTestMode);
  const MessageOwner owner = testMode ? MessageOwner::Dialog : MessageOwner::None;
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, state_.readFlags & 0x01);
  const std::uint32_t length = state_.readLength;
  const std::uint32_t unitCount = operations::ceilDiv(length, unit.mainSize);
  const std::uint32_t wholeUnits = unit.mainSize == 0 ? 0 : length / unit.mainSize;
  files::FileObject& out = state_.readFile;

  if (!testMode) {
    startProgress(ids::kReadBar, wholeUnits);
    out.seek(0);
  }

  std::array<unsigned char, operations::kUnitBufferSize> buffer;
  const int wire = static_cast<int>(unit.wireLength);
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    if (stop.stop_requested()) {
      lastResult_ = OperationResult::Stopped;
      out.close();
      return;
    }
    const int got = link_.readData(link::kEpDataIn, buffer.data(), wire,
                                   testMode ? kTestModeReadTimeoutMs : kWorkerReadTimeoutMs);
    // The unit goes to the file inside the pause that follows the transfer; a short unit never
    // reaches the file.
    const link::DeviceLink::Gap gap = link_.beginPause(kUnitPauseMs);
    bool written = false;
    if (got == wire) {
      if (testMode) out.seek(std::uint64_t{i} * unit.stride);
      written = out.write(buffer.data(), unit.stride);
    }
    link_.endPause(gap);
    if (got != wire) {
      lastResult_ = OperationResult::TransferFailed;
      out.close();  // the units written so far stay
      message(kMsgReceiveError, owner);
      return;
    }
    if (!written) {
      lastResult_ = OperationResult::TransferFailed;
      out.close();
      message(kMsgWriteFileError, owner);
      return;
    }
    const link::DeviceLink::Gap second = link_.beginPause(kUnitPauseMs);
    if (i % kProgressEvery == 0) {
      host_.progressStepIt(ids::kReadBar);
      host_.setText(ids::kReadPercent, operations::percentLabel(i, wholeUnits));
    }
    if (!testMode) link_.endPause(second);
  }
  host_.setText(ids::kReadPercent, kTextReadDone);
  host_.progressSetPos(ids::kReadBar, 0);
  if (!testMode) out.close();  // the self-test reads its file back first
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineReadDone);
  showLog();
  lastResult_ = OperationResult::Succeeded;
}

}  // namespace norvik::app
