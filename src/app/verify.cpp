// Reading a programmed range back and comparing it with its image: the self-test's comparison
// and norvik-cli's --verify, with one account of where a difference lies.
#include <algorithm>
#include <cstdio>

#include "app/bar_progress.h"
#include "app/dialog_template.h"
#include "app/hex_field.h"
#include "app/messages.h"
#include "app/open_failure.h"
#include "app/programmer_dlg.h"
#include "app/step_progress.h"
#include "link/flags.h"
#include "operations/chip_range.h"
#include "operations/compare_files.h"
#include "operations/transfer_unit.h"
#include "platform/temp_file.h"

namespace norvik::app {

Verification CProgrammerDlg::compareReadBack(const std::string& referencePath,
                                             std::uint64_t compared, std::uint32_t start,
                                             std::uint8_t flags) {
  Verification v;
  v.compared = compared;
  files::FileObject reference;
  if (!reference.open(referencePath, files::Access::Read, files::Disposition::OpenExisting)) {
    v.outcome = Outcome::FileUnusable;
    v.explanation = openFailureText(reference, referencePath, /*creating=*/false);
    return v;
  }
  const operations::Comparison c = operations::compareFiles(reference, state_.readFile, compared);
  if (c.readFailed) {
    v.outcome = Outcome::FileUnusable;
    v.explanation = kMsgImageReadError;
    return v;
  }
  if (c.equal) {
    v.outcome = Outcome::Succeeded;
    return v;
  }
  v.outcome = Outcome::TestFailed;
  placeDifference(v, c.firstDifference, start, flags);
  return v;
}

void CProgrammerDlg::placeDifference(Verification& v, std::uint64_t offset, std::uint32_t start,
                                     std::uint8_t flags, const char* format,
                                     const char* skipBadHint) {
  v.firstDifference = offset;
  const link::OperationFlags options = link::OperationFlags::fromByte(flags);
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, options.spare);
  v.address = operations::imageOffsetToAddress(start, offset, unit, options.spare);
  const link::ChipGeometry& chip = options.socketA ? state_.chips.socketA : state_.chips.socketB;
  char text[256];
  if (const std::optional<operations::ChipPlace> place = operations::placeOf(chip, v.address)) {
    v.block = place->block;
    v.page = place->page;
    std::snprintf(
        text, sizeof text, format, static_cast<unsigned long long>(offset),
        static_cast<unsigned long long>(v.address), static_cast<unsigned long long>(place->block),
        static_cast<unsigned long long>(place->page), options.spare ? kMsgDifferenceInUnit : "");
    v.explanation = text;
  }
  if (!options.skipBad) {
    if (!v.explanation.empty()) v.explanation += '\n';
    v.explanation += skipBadHint;
  }
}

Verification CProgrammerDlg::VerifyProgrammed(const std::string& imagePath, std::stop_token stop) {
  Verification v;
  const link::OperationFlags options = link::OperationFlags::fromByte(state_.programFlags);
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, options.spare);
  // The read takes main-area bytes: as many units as the image filled.
  const std::uint64_t readLength =
      std::uint64_t{operations::ceilDiv(state_.programLength, unit.stride)} * unit.mainSize;
  if (readLength > 0xFFFFFFFFull) {
    v.outcome = Outcome::BadInput;
    v.explanation = "the range is too long to read back in one job";
    return v;
  }
  std::string why;
  const std::optional<std::string> back = createTemporaryFile("norvik-verify", &why);
  if (!back) {
    v.outcome = Outcome::FileUnusable;
    v.explanation = why;
    return v;
  }
  state_.imageFile.close();  // its exclusive hold would keep the comparison out
  if (!state_.readFile.open(*back, files::Access::ReadWrite, files::Disposition::OpenExisting)) {
    v.outcome = Outcome::FileUnusable;
    v.explanation = openFailureText(state_.readFile, *back, /*creating=*/false);
    removeFile(*back);
    return v;
  }
  readIntoOpenFile_ = true;
  readRange(state_.programStart, static_cast<std::uint32_t>(readLength), state_.programFlags, stop);
  readIntoOpenFile_ = false;
  if (lastOutcome_ == Outcome::Succeeded) {
    v = compareReadBack(imagePath, state_.programLength, state_.programStart, state_.programFlags);
    lastOutcome_ = v.outcome;
    if (v.outcome == Outcome::TestFailed) {
      lastFailure_ = std::string(kMsgVerifyFailed) + "\n" + v.explanation;
    } else if (v.outcome != Outcome::Succeeded) {
      lastFailure_ = v.explanation;
    }
  } else {
    v.outcome = lastOutcome_;
  }
  state_.readFile.close();
  removeFile(*back);
  return v;
}

namespace {

// The read flags of one socket for the copy's range: the copy's spare and skip-bad choices and
// its chip-enable line.
std::uint8_t copyReadFlags(DialogHost& host, bool socketA) {
  link::OperationFlags f;
  f.spare = host.isChecked(ids::kCopySpare);
  f.skipBad = host.isChecked(ids::kCopySkipBad);
  f.socketA = socketA;
  f.ce1 = host.isChecked(ids::kCe1);
  return f.byte();
}

}  // namespace

Verification CProgrammerDlg::verifyCopy(std::uint32_t start, std::uint32_t length,
                                        std::stop_token stop) {
  Verification v;
  auto fail = [&](Outcome why, const std::string& text) {
    refuse(why, text, MessageOwner::None);
    v.outcome = why;
    v.explanation = text;
    return v;
  };
  const std::uint8_t flagsA = copyReadFlags(host_, /*socketA=*/true);
  const std::uint8_t flagsB = copyReadFlags(host_, /*socketA=*/false);
  const bool spare = link::OperationFlags::fromByte(flagsA).spare;
  // Byte for byte only where a unit of A and a unit of B hold the same pages.
  link::ChipState units = state_.chips;
  operations::fillTransferGeometry(units, /*socketASelected=*/true);
  const operations::TransferUnit unitA = operations::transferUnit(units.transfer, spare);
  operations::fillTransferGeometry(units, /*socketASelected=*/false);
  const operations::TransferUnit unitB = operations::transferUnit(units.transfer, spare);
  if (unitA.stride != unitB.stride || unitA.mainSize != unitB.mainSize) {
    return fail(Outcome::SocketUnusable, kMsgCopyVerifyLayouts);
  }

  std::string why;
  const std::optional<std::string> scratch = createTemporaryFile("norvik-copy", &why);
  if (!scratch) return fail(Outcome::FileUnusable, std::string(kMsgCopyVerifyScratch) + why);
  files::FileObject copyOfA;
  if (!copyOfA.open(*scratch, files::Access::ReadWrite, files::Disposition::OpenExisting)) {
    removeFile(*scratch);
    return fail(Outcome::FileUnusable, std::string(kMsgCopyVerifyScratch) +
                                           openFailureText(copyOfA, *scratch, /*creating=*/false));
  }
  struct Remove {
    files::FileObject& file;
    const std::string& path;
    ~Remove() {
      file.close();
      removeFile(path);
    }
  } remove{copyOfA, *scratch};

  // Socket A's range into the scratch file, then socket B's compared with it unit by unit.
  operations::Checksum sumA;
  operations::Checksum sumB;
  operations::FileSink keepA(copyOfA, operations::FileSink::Placing::FromStart);
  StepProgress readingA(host_, ids::kCopyBar, ids::kCopyPercent, 1, 3);
  if (!readIntoSink({start, length, flagsA, keepA, readingA, sumA}, stop)) {
    v.outcome = lastOutcome_;
    return v;
  }
  operations::CompareSink compare(copyOfA);
  StepProgress readingB(host_, ids::kCopyBar, ids::kCopyPercent, 2, 3);
  if (!readIntoSink({start, length, flagsB, compare, readingB, sumB}, stop)) {
    v.outcome = lastOutcome_;
    return v;
  }
  v.compared = sumB.bytes();
  const operations::RangeFinding& found = compare.difference();
  if (!found.found) {
    v.outcome = Outcome::Succeeded;
    v.sha256 = sumA.digest().sha256;
    noteDigest(sumA.digest());
    return v;
  }
  v.outcome = Outcome::TestFailed;
  v.differing = found.count;
  placeDifference(v, found.firstOffset, start, flagsB);  // B's read left B's transfer geometry
  return v;
}

BlankCheck CProgrammerDlg::CheckBlank(std::stop_token stop) {
  const RecordScope record(*this, "blankcheck");
  lastOutcome_ = Outcome::None;
  BlankCheck b;
  const link::OperationFlags options = optionFlags(ids::kReadSpare, ids::kReadSkipBad);
  const std::uint8_t flags = options.byte();
  noteOptions(options.spare, options.skipBad, options.ce1);
  const std::optional<std::uint32_t> startEdit = scanHex32(host_.text(ids::kReadStart));
  const std::optional<std::uint32_t> lengthEdit = scanHex32(host_.text(ids::kReadLength));
  if (!startEdit || !lengthEdit) {
    refuse(Outcome::BadInput, kMsgEnterReadRange);
    b.outcome = lastOutcome_;
    b.explanation = lastFailure_;
    return b;
  }
  const std::uint32_t start = *startEdit;
  const std::uint32_t length = *lengthEdit;
  noteRange(options.socketA ? "A" : "B", start, length);
  operations::BlankSink sink;
  operations::Checksum sum;
  BarProgress progress(host_, ids::kReadBar, ids::kReadPercent);
  if (!readIntoSink({start, length, flags, sink, progress, sum}, stop)) {
    b.outcome = lastOutcome_;
    b.explanation = lastFailure_;
    return b;
  }
  showDone(ids::kReadBar, ids::kReadPercent, kTextReadDone, Tail::LabelFirst);
  noteDigest(sum.digest());
  noteMoved(sum.bytes());
  b.checked = sum.bytes();
  const operations::RangeFinding& found = sink.notBlank();
  if (!found.found) {
    b.outcome = Outcome::Succeeded;
    return b;
  }
  Verification place;
  placeDifference(place, found.firstOffset, start, flags, kMsgNotBlankFormat,
                  kMsgBlankBadBlockHint);
  b.outcome = Outcome::TestFailed;
  b.firstOffset = found.firstOffset;
  b.address = place.address;
  b.block = place.block;
  b.page = place.page;
  b.notBlank = found.count;
  char count[64];
  std::snprintf(count, sizeof count, kMsgNotBlankCountFormat,
                static_cast<unsigned long long>(found.count));
  b.explanation = std::string(kMsgNotBlank) + count + "\n" + place.explanation;
  lastOutcome_ = Outcome::TestFailed;
  lastFailure_ = b.explanation;
  return b;
}

}  // namespace norvik::app
