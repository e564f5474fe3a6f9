// Steps the operations share: the triple probe with its socket checks, the flags from the option
// boxes, the program and read openings, the copy and erase openings, the range check and the
// success tail.
#include <cstdio>

#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/flags.h"
#include "link/probe.h"
#include "operations/chip_range.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

namespace {
std::string sizeText(std::uint64_t bytes) {
  char text[32];
  if (bytes % (1024 * 1024) == 0) {
    std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>(bytes >> 20));
  } else {
    std::snprintf(text, sizeof text, "%llu KiB", static_cast<unsigned long long>(bytes >> 10));
  }
  return text;
}
}  // namespace

bool CProgrammerDlg::probeThreeTimes(int spareFlag, Sockets used) {
  // Each run is a full exchange: the first proves the programmer is there, the second and third
  // re-check the sockets the operation works on.
  if (probe(spareFlag) == link::kProbeNoProgrammer) {
    refuse(Outcome::NoProgrammer, kMsgNoDevice);
    return false;
  }
  // One socket: that socket's own chip decides, whatever the other socket holds (the probe's
  // status names only one socket and would let an empty partner hide an unrecognised chip).
  // Both (the copy): the probe's status, in which socket B wins when neither is recognised.
  const int second = probe(spareFlag);
  const bool aUnusable = used == Sockets::Both ? second == link::kProbeSocketAUnrecognised
                                               : state_.chips.socketA.unrecognised();
  if (used != Sockets::B && aUnusable) {
    refuse(Outcome::SocketUnusable, kMsgCheckSocketA);
    return false;
  }
  const int third = probe(spareFlag);
  const bool bUnusable = used == Sockets::Both ? third == link::kProbeSocketBUnrecognised
                                               : state_.chips.socketB.unrecognised();
  if (used != Sockets::A && bUnusable) {
    refuse(Outcome::SocketUnusable, kMsgCheckSocketB);
    return false;
  }
  return true;
}

link::OperationFlags CProgrammerDlg::optionFlags(int spareBox, int skipBadBox, ChipEnable ce) {
  // Bits 1 to 3 pass the hidden page-class radios through; bit 7 stays clear.
  link::OperationFlags flags;
  flags.spare = host_.isChecked(spareBox);
  flags.largePage = host_.isChecked(ids::kLargePage);
  flags.smallPage = host_.isChecked(ids::kSmallPage);
  flags.hugePage = host_.isChecked(ids::kHugePage);
  flags.skipBad = host_.isChecked(skipBadBox);
  flags.socketA = host_.isChecked(ids::kSelectA);
  flags.ce1 = ce == ChipEnable::Sent && host_.isChecked(ids::kCe1);
  return flags;
}

bool CProgrammerDlg::prepareTransfer(const link::OperationFlags& options) {
  if (!probeThreeTimes(options.spare ? 1 : 0, options.socketA ? Sockets::A : Sockets::B)) {
    return false;
  }
  showChipNames();
  operations::fillTransferGeometry(state_.chips, options.socketA);
  if (!operations::transferUnit(state_.chips.transfer, options.spare).usable()) {
    refuse(Outcome::SocketUnusable, kMsgUnsupportedGeometry);
    return false;
  }
  return true;
}

bool CProgrammerDlg::rangeFitsChip(link::Socket socket, std::uint64_t start, std::uint64_t length) {
  const link::ChipGeometry& chip =
      socket == link::Socket::A ? state_.chips.socketA : state_.chips.socketB;
  const std::optional<std::uint64_t> size = operations::chipSize(chip);
  // A catalogue entry without a usable length cannot be judged; the programmer has the last word.
  if (!size || operations::rangeInside(start, length, *size)) return true;
  char text[512];
  std::snprintf(text, sizeof text, kMsgRangeBeyondChipFormat, socket == link::Socket::A ? 'A' : 'B',
                chip.deviceName.c_str(), static_cast<unsigned long long>(*size),
                sizeText(*size).c_str(), static_cast<unsigned long long>(start),
                static_cast<unsigned long long>(length));
  refuse(Outcome::BadInput, text);
  return false;
}

std::optional<link::PairOutcome> CProgrammerDlg::startProgrammerJob(const JobRequest& job,
                                                                    std::stop_token stop) {
  const std::optional<std::uint32_t> start = scanHex32(host_.text(job.startEdit));
  const std::uint32_t length = scanHex32(host_.text(job.lengthEdit)).value_or(0);
  if (length == 0) {
    refuse(Outcome::BadInput, job.enterLength);
    return std::nullopt;
  }
  if (!start) {
    refuse(Outcome::BadInput, job.enterStart);
    return std::nullopt;
  }
  jobStart_ = *start;
  jobLength_ = length;
  noteRange(job.sockets == Sockets::Both ? "A→B"
            : job.sockets == Sockets::A  ? "A"
                                         : "B",
            *start, length);
  if (!probeThreeTimes(job.spareFlag, job.sockets)) return std::nullopt;
  showChipNames();
  // The copy's range must fit both chips; an erase's the chip it erases.
  for (const link::Socket socket : {link::Socket::A, link::Socket::B}) {
    const bool used =
        job.sockets == Sockets::Both || (job.sockets == Sockets::A) == (socket == link::Socket::A);
    if (used && !rangeFitsChip(socket, *start, length)) return std::nullopt;
  }
  link_.pause(kSettlePauseMs);
  const link::PairOutcome pair =
      link::commandPair(link_, job.command, *start, length, job.flags, job.timing, stop);
  if (!accepted(pair)) return std::nullopt;
  return pair;
}

bool CProgrammerDlg::endedEarly(operations::StreamResult result, files::FileObject& file,
                                bool closeOnStop, MessageOwner owner, const char* transferError,
                                const char* fileError, const char* cutShortError) {
  switch (result) {
    case operations::StreamResult::Done:
      return false;
    case operations::StreamResult::Stopped:
      if (closeOnStop) file.close();
      noteStopped();
      return true;
    // The message first, then the file is closed.
    case operations::StreamResult::TransferFailed:
      refuse(Outcome::TransferFailed, transferError, owner);
      break;
    case operations::StreamResult::FileFailed:
      refuse(Outcome::FileUnusable, fileError, owner);
      break;
    case operations::StreamResult::CutShort:
      refuse(Outcome::FileUnusable, cutShortError != nullptr ? cutShortError : fileError, owner);
      break;
  }
  file.close();
  return true;
}

void CProgrammerDlg::showDone(int bar, int label, const char* text, Tail order) {
  if (order == Tail::LabelFirst) host_.setText(label, text);
  host_.progressSetPos(bar, 0);
  if (order == Tail::BarFirst) host_.setText(label, text);
}

void CProgrammerDlg::logSuccess(const char* line) {
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(line);
  showLog();
  lastOutcome_ = Outcome::Succeeded;
}

}  // namespace norvik::app
