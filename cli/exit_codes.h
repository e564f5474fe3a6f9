// Exit codes of norvik-cli: app's, which the journal records too.
#pragma once

#include "app/exit_codes.h"

namespace norvik::cli {

using app::exitCodeFor;
using app::kExitDeclined;
using app::kExitDeviceLibrary;
using app::kExitFile;
using app::kExitInput;
using app::kExitInternal;
using app::kExitLibraryCrash;
using app::kExitLogNotSaved;
using app::kExitNoAcknowledge;
using app::kExitNoAnswer;
using app::kExitNoProgrammer;
using app::kExitOk;
using app::kExitSimulator;
using app::kExitSocket;
using app::kExitStationFailures;
using app::kExitTransfer;
using app::kExitUsage;
using app::kExitVerify;

}  // namespace norvik::cli
