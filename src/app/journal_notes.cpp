// The journal record of each operation: begun by the outermost RecordScope, noted by the
// handlers as they go, written when that scope ends.
#include <exception>

#include "app/dialog_template.h"
#include "app/exit_codes.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "platform/working_folder.h"

namespace norvik::app {

CProgrammerDlg::RecordScope::RecordScope(CProgrammerDlg& dlg, const char* operation) : dlg_(dlg) {
  dlg_.beginRecord(operation);
}

CProgrammerDlg::RecordScope::~RecordScope() {
  // Also while a failure escapes the handler: the record says so, and nothing here may throw.
  try {
    dlg_.endRecord();
  } catch (...) {  // NOLINT(bugprone-empty-catch): a journal never stops the program
  }
}

void CProgrammerDlg::beginRecord(const char* operation) {
  if (recordDepth_++ > 0) return;
  record_ = JournalRecord{};
  record_.operation = operation;
  record_.startedAt = link_.clock().wallNow();
  recordStartMs_ = link_.clock().monotonicMs();
  recordMoved_ = 0;
  lastFailure_.clear();
}

void CProgrammerDlg::restartRecordTimer() {
  if (recordDepth_ == 0) return;
  record_.startedAt = link_.clock().wallNow();
  recordStartMs_ = link_.clock().monotonicMs();
}

void CProgrammerDlg::endRecord() {
  if (recordDepth_ == 0 || --recordDepth_ > 0) return;
  JournalRecord& r = record_;
  r.seconds = (link_.clock().monotonicMs() - recordStartMs_) / 1000.0;
  if (lastOutcome_ != Outcome::Stopped) r.exitCode = exitCodeFor(lastOutcome_);
  if (lastOutcome_ == Outcome::Succeeded) {
    r.result = "ok";
    if (recordMoved_ > 0 && r.seconds > 0) {
      r.megabytesPerSecond = static_cast<double>(recordMoved_) / 1e6 / r.seconds;
    }
  } else if (!lastFailure_.empty()) {
    r.result = lastFailure_;
  } else if (std::uncaught_exceptions() > 0) {
    r.result = kMsgUnexpectedFailure;
  } else {
    r.result = lastOutcome_ == Outcome::Cancelled ? kTextCancelled
               : lastOutcome_ == Outcome::Stopped ? kTextStopped
                                                  : kTextNoResult;
  }
  std::string problem;
  if (appendToJournal(WorkingFolder(currentDirectory()), journalLine(r), link_.clock(), &problem) ||
      journalProblemSaid_) {
    return;
  }
  // Said once a run; the operations go on without their records.
  journalProblemSaid_ = true;
  message(std::string(kMsgJournalNotWritten) + problem);
}

void CProgrammerDlg::noteChips() {
  if (recordDepth_ == 0) return;
  const link::ChipState& c = state_.chips;
  record_.chipIdA = c.chipIdTextA;
  record_.chipNameA = c.socketA.deviceName;
  record_.chipIdB = c.chipIdTextB;
  record_.chipNameB = c.socketB.deviceName;
}

void CProgrammerDlg::noteRange(const char* socket, std::uint32_t start, std::uint32_t length) {
  if (recordDepth_ == 0 || record_.start) return;
  record_.socket = socket;
  record_.start = start;
  record_.length = length;
}

void CProgrammerDlg::noteOptions(bool spare, bool skipBad, std::optional<bool> ce1) {
  if (recordDepth_ == 0 || record_.spare) return;
  record_.spare = spare;
  record_.skipBad = skipBad;
  // Which chip-enable radio is checked, for the operations that send it.
  if (ce1) record_.chipEnable = *ce1 ? "1" : host_.isChecked(ids::kCe0) ? "0" : "";
}

void CProgrammerDlg::noteFile(const std::string& path) {
  if (recordDepth_ == 0 || !record_.file.empty()) return;
  record_.file = path;
}

void CProgrammerDlg::noteDigest(const operations::Digest& digest) {
  if (recordDepth_ == 0 || record_.fileBytes) return;
  record_.fileBytes = digest.bytes;
  record_.crc32 = digest.crc32Text();
  record_.sha256 = digest.sha256;
}

void CProgrammerDlg::noteMoved(std::uint64_t bytes) {
  if (recordDepth_ == 0 || recordMoved_ > 0) return;
  recordMoved_ = bytes;
}

}  // namespace norvik::app
