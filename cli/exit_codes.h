// Exit codes of norvik-cli.
#pragma once

#include "app/outcome.h"

namespace norvik::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNoProgrammer = 2;   // no programmer answered
inline constexpr int kExitSocket = 3;         // chip missing or unrecognised, or unsupported
inline constexpr int kExitFile = 4;           // an image or output file could not be used
inline constexpr int kExitTransfer = 5;       // a data transfer failed
inline constexpr int kExitNoAcknowledge = 6;  // the programmer did not accept the job
inline constexpr int kExitVerify = 7;         // read-back differs from the image
inline constexpr int kExitInput = 8;          // an address or length is not valid
inline constexpr int kExitSimulator = 9;      // the simulator's configuration is unusable
inline constexpr int kExitUsage = 64;         // bad command line

// The exit code for how a handler ended.
int exitCodeFor(app::Outcome outcome);

}  // namespace norvik::cli
