// Reading a programmed range back and comparing it with its image: the self-test's comparison
// and norvik-cli's --verify, with one account of where a difference lies.
#include <algorithm>
#include <cstdio>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/open_failure.h"
#include "app/programmer_dlg.h"
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
  v.firstDifference = c.firstDifference;
  const link::OperationFlags options = link::OperationFlags::fromByte(flags);
  const operations::TransferUnit unit =
      operations::transferUnit(state_.chips.transfer, options.spare);
  v.address = operations::imageOffsetToAddress(start, c.firstDifference, unit, options.spare);
  const link::ChipGeometry& chip = options.socketA ? state_.chips.socketA : state_.chips.socketB;
  char text[256];
  if (const std::optional<operations::ChipPlace> place = operations::placeOf(chip, v.address)) {
    v.block = place->block;
    v.page = place->page;
    std::snprintf(
        text, sizeof text, kMsgDifferenceFormat, static_cast<unsigned long long>(v.firstDifference),
        static_cast<unsigned long long>(v.address), static_cast<unsigned long long>(place->block),
        static_cast<unsigned long long>(place->page), options.spare ? kMsgDifferenceInUnit : "");
    v.explanation = text;
  }
  if (!options.skipBad) {
    if (!v.explanation.empty()) v.explanation += '\n';
    v.explanation += kMsgBadBlockHint;
  }
  return v;
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
  } else {
    v.outcome = lastOutcome_;
  }
  state_.readFile.close();
  removeFile(*back);
  return v;
}

}  // namespace norvik::app
