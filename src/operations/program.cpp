// "开始解扣": programs the open image into the selected socket's chip.
#include <array>
#include <cstdio>
#include <cstring>

#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
constexpr std::uint32_t kTestModeLength = 0x600000;
constexpr int kWorkerWriteTimeoutMs = 1000;
constexpr int kTestModeWriteTimeoutMs = 2000;
constexpr int kUnitPauseMs = 1;
constexpr std::uint32_t kProgressEvery = 64;
}  // namespace

void CProgrammerDlg::OnProgram(std::stop_token stop) {
  lastResult_ = OperationResult::Refused;
  const std::optional<std::uint32_t> start = scanHex32(host_.text(ids::kProgramStart));
  if (!start) return message(kMsgEnterProgramStart);

  const std::uint8_t flags = optionFlags(ids::kProgramSpare, ids::kProgramSkipBad);
  state_.programFlags = flags;
  const bool socketA = (flags & 0x20) != 0;
  const bool testMode = host_.isChecked(ids::kTestMode);

  if (!state_.imageFile.isOpen()) return message(kMsgOpenImage);
  state_.imageFile.seek(0);
  const std::int64_t fileLength = state_.imageFile.length();
  if (!testMode && fileLength > std::int64_t{0xFFFFFFFF}) return message(kMsgImageTooLarge);
  state_.programLength = testMode ? kTestModeLength : static_cast<std::uint32_t>(fileLength);

  char lengthText[16];
  std::snprintf(lengthText, sizeof lengthText, "%x", state_.programLength);
  host_.setText(ids::kProgramLength, lengthText);

  if (!probeThreeTimes(flags & 0x01, socketA)) return;
  showChipNames();
  fillTransferGeometry(socketA);
  if (!operations::transferUnit(state_.chips.transfer, flags & 0x01).usable()) {
    return message(kMsgUnsupportedGeometry);
  }

  const link::PairOutcome pair = link::commandPair(
      link_, link::kCmdProgram, *start, state_.programLength, flags, link::kProgramPair, stop);
  if (pair.result == link::PairResult::Stopped) {
    lastResult_ = OperationResult::Stopped;
    return;
  }
  if (pair.result == link::PairResult::TimedOut) return message(kMsgNoAcknowledge);

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
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, state_.programFlags & 0x01);
  const std::uint32_t length = state_.programLength;
  const std::uint32_t unitCount = operations::ceilDiv(length, unit.stride);
  const std::uint32_t wholeUnits = unit.stride == 0 ? 0 : length / unit.stride;

  startProgress(ids::kProgramBar, wholeUnits);
  state_.imageFile.seek(0);

  std::array<unsigned char, operations::kUnitBufferSize> buffer;
  // Fills the buffer with unit `i`. Past the end of the image, and between the stride and the
  // wire length, the unit carries the erased value, never bytes left over from an earlier unit.
  // Test mode seeks before every unit (the self-test's image may be shorter than its length).
  auto loadUnit = [&](std::uint32_t i) {
    if (testMode) state_.imageFile.seek(std::uint64_t{i} * unit.stride);
    const std::size_t got = state_.imageFile.read(buffer.data(), unit.stride);
    std::memset(buffer.data() + got, 0xFF, unit.wireLength - got);
  };
  if (unitCount > 0) loadUnit(0);
  const int wire = static_cast<int>(unit.wireLength);
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    if (stop.stop_requested()) {
      lastResult_ = OperationResult::Stopped;
      return;
    }
    const int sent = link_.writeData(link::kEpDataOut, buffer.data(), wire,
                                     testMode ? kTestModeWriteTimeoutMs : kWorkerWriteTimeoutMs);
    // The next unit is read from the image inside the pause that follows each transfer.
    const link::DeviceLink::Gap gap = link_.beginPause(kUnitPauseMs);
    if (sent == wire) {
      if (i % kProgressEvery == 0) {
        host_.progressStepIt(ids::kProgramBar);
        host_.setText(ids::kProgramPercent, operations::percentLabel(i, wholeUnits));
      }
      if (i + 1 < unitCount) loadUnit(i + 1);
    }
    link_.endPause(gap);
    if (sent != wire) {
      lastResult_ = OperationResult::TransferFailed;
      state_.imageFile.close();
      message(kMsgSendError, owner);
      return;
    }
  }
  host_.setText(ids::kProgramPercent, kTextProgramDone);
  host_.progressSetPos(ids::kProgramBar, 0);
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineProgramDone);
  showLog();
  lastResult_ = OperationResult::Succeeded;
}

}  // namespace norvik::app
