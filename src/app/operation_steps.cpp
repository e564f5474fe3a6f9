// Steps the program and read operations share: the triple probe with its socket checks, the chip
// names, the transfer geometry.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/flags.h"
#include "link/probe.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

bool CProgrammerDlg::probeThreeTimes(int spareFlag, bool socketASelected) {
  // Each run is a full exchange: the first proves the programmer is there, the second and third
  // re-check the socket the operation works on.
  if (probe(spareFlag) == link::kProbeNoProgrammer) {
    refuse(Outcome::NoProgrammer, kMsgNoDevice);
    return false;
  }
  if (probe(spareFlag) == link::kProbeSocketAUnrecognised && socketASelected) {
    refuse(Outcome::SocketUnusable, kMsgCheckSocketA);
    return false;
  }
  if (probe(spareFlag) == link::kProbeSocketBUnrecognised && !socketASelected) {
    refuse(Outcome::SocketUnusable, kMsgCheckSocketB);
    return false;
  }
  return true;
}

std::uint8_t CProgrammerDlg::optionFlags(int spareBox, int skipBadBox) {
  // Bits 1 to 3 pass the hidden page-class radios through; bit 7 stays clear.
  link::OperationFlags flags;
  flags.spare = host_.isChecked(spareBox);
  flags.largePage = host_.isChecked(ids::kLargePage);
  flags.smallPage = host_.isChecked(ids::kSmallPage);
  flags.hugePage = host_.isChecked(ids::kHugePage);
  flags.skipBad = host_.isChecked(skipBadBox);
  flags.socketA = host_.isChecked(ids::kSelectA);
  flags.ce1 = host_.isChecked(ids::kCe1);
  return flags.byte();
}

void CProgrammerDlg::fillTransferGeometry(bool socketASelected) {
  operations::fillTransferGeometry(state_.chips, socketASelected);
}

}  // namespace norvik::app
