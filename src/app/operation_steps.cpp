// Steps the program and read operations share: the triple probe with its socket checks, the chip
// names, the transfer geometry.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/flags.h"
#include "link/probe.h"
#include "operations/transfer_unit.h"

namespace norvik::app {

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
