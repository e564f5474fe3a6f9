#include "app/exit_codes.h"

namespace norvik::app {

int exitCodeFor(Outcome outcome) {
  switch (outcome) {
    case Outcome::Succeeded:
      return kExitOk;
    case Outcome::NoProgrammer:
      return kExitNoProgrammer;
    case Outcome::SocketUnusable:
      return kExitSocket;
    case Outcome::BadInput:
      return kExitInput;
    case Outcome::TransferFailed:
      return kExitTransfer;
    case Outcome::NoAcknowledge:
      return kExitNoAcknowledge;
    case Outcome::NoAnswer:
      return kExitNoAnswer;
    case Outcome::TestFailed:
      return kExitVerify;
    case Outcome::Cancelled:
      return kExitDeclined;
    case Outcome::None:
    case Outcome::FileUnusable:
    case Outcome::Stopped:
      break;
  }
  return kExitFile;
}

}  // namespace norvik::app
