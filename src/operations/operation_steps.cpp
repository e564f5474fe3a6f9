// Steps the program and read operations share: the triple probe with its socket checks, the chip
// names, the transfer geometry.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/probe.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

bool CProgrammerDlg::probeThreeTimes(int spareFlag, bool socketASelected) {
  // Each run is a full exchange: the first proves the programmer is there, the second and third
  // re-check the socket the operation works on.
  if (probe(spareFlag) == link::kProbeNoProgrammer) {
    lastResult_ = OperationResult::Refused;
    message(kMsgNoDevice);
    return false;
  }
  if (probe(spareFlag) == link::kProbeSocketAUnrecognised && socketASelected) {
    lastResult_ = OperationResult::Refused;
    message(kMsgCheckSocketA);
    return false;
  }
  if (probe(spareFlag) == link::kProbeSocketBUnrecognised && !socketASelected) {
    lastResult_ = OperationResult::Refused;
    message(kMsgCheckSocketB);
    return false;
  }
  return true;
}

std::uint8_t CProgrammerDlg::optionFlags(int spareBox, int skipBadBox) {
  // Bits 1 to 3 pass the hidden page-class radios through; bit 7 stays clear.
  std::uint8_t flags = 0;
  if (host_.isChecked(spareBox)) flags |= 0x01;
  if (host_.isChecked(ids::kLargePage)) flags |= 0x02;
  if (host_.isChecked(ids::kSmallPage)) flags |= 0x04;
  if (host_.isChecked(ids::kHugePage)) flags |= 0x08;
  if (host_.isChecked(skipBadBox)) flags |= 0x10;
  if (host_.isChecked(ids::kSelectA)) flags |= 0x20;
  if (host_.isChecked(ids::kCe1)) flags |= 0x40;
  return flags;
}

void CProgrammerDlg::startProgress(int bar, std::uint32_t wholeUnits) {
  host_.progressSetPos(bar, 0);
  host_.progressSetRange(bar, 0, static_cast<int>(((wholeUnits >> 6) + 1) & 0xFFFF));
  host_.progressSetStep(bar, 1);
}

void CProgrammerDlg::fillTransferGeometry(bool socketASelected) {
  operations::fillTransferGeometry(state_.chips, socketASelected);
}

}  // namespace norvik::app
