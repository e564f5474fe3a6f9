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

void CProgrammerDlg::fillTransferGeometry(bool socketASelected) {
  operations::fillTransferGeometry(state_.chips, socketASelected);
}

}  // namespace norvik::app
