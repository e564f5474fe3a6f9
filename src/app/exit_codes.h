// Exit codes of norvik-cli. They live in app because the journal records, for every operation
// of either front end, the code the command line gives it.
#pragma once

#include "app/outcome.h"

namespace norvik::app {

inline constexpr int kExitOk = 0;
inline constexpr int kExitDeclined = 1;          // the self-test's question was answered no
inline constexpr int kExitNoProgrammer = 2;      // no programmer answered
inline constexpr int kExitSocket = 3;            // chip missing or unrecognised, or unsupported
inline constexpr int kExitFile = 4;              // an image or output file could not be used
inline constexpr int kExitTransfer = 5;          // a data transfer failed
inline constexpr int kExitNoAcknowledge = 6;     // the programmer did not accept the job
inline constexpr int kExitVerify = 7;            // read-back differs (--verify, self-test), or a
                                                 // blank check found programmed bytes
inline constexpr int kExitInput = 8;             // an address or length is not valid
inline constexpr int kExitSimulator = 9;         // the simulator's configuration is unusable
inline constexpr int kExitNoAnswer = 10;         // the programmer stopped reporting a copy or erase
inline constexpr int kExitLogNotSaved = 11;      // done, but systemlog.log was not written
inline constexpr int kExitDeviceLibrary = 12;    // qxUSBDev.dll missing, unloadable or incomplete
inline constexpr int kExitLibraryCrash = 13;     // qxUSBDev.dll crashed inside one of its calls
inline constexpr int kExitStationFailures = 14;  // a station run in which a chip failed
inline constexpr int kExitUsage = 64;            // bad command line
inline constexpr int kExitInternal = 70;         // an unexpected failure inside the program
// A run stopped by a signal ends with 128 + its number (exitCodeForSignal in signal_watch.h).

// The exit code for how a handler ended.
int exitCodeFor(Outcome outcome);

}  // namespace norvik::app
