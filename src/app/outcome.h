// Why a handler stopped, recorded next to the message it shows, so that a front end can act on
// the reason (the command line maps it to its exit codes) without reading message texts.
#pragma once

namespace norvik::app {

enum class Outcome {
  None,            // nothing has run yet
  Succeeded,       // the operation ran to its success label and log line
  NoProgrammer,    // no programmer answered the probe
  SocketUnusable,  // the chosen socket holds no recognised chip, or one the transfer cannot serve
  BadInput,        // an address or length that is no hexadecimal number
  FileUnusable,    // an image or output file that could not be chosen, opened, read or written
  TransferFailed,  // a data transfer moved less than a whole unit
  NoAcknowledge,   // the programmer did not accept the command pair within its bound
  NoAnswer,        // the programmer stopped reporting during a copy or erase
  TestFailed,      // a comparison found a difference (the self-test, a verify), or a blank
                   // check found bytes that are not erased
  Cancelled,       // the user declined a confirmation
  Stopped,         // the stop was requested (exit during the operation)
};

}  // namespace norvik::app
