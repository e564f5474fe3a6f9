// Keeping a crash inside the device library's own code (an access violation in the vendor's
// qxUSBDev.dll, say) from ending the program without a word. On Windows a process-wide
// unhandled-exception filter is installed: an exception that nobody handled, raised on a thread
// while it is inside guardedCall, is reported to that call's `crashed` on the same thread, which
// is then parked for good (its stack belongs to the code that crashed; it can't go back into
// it). The rest of the program carries on: the backend gives the call up, as it gives up a call
// that never returns. Exceptions on other threads go to the filter that was there before.
// Exceptions the library raises and handles itself never reach the filter.
// Elsewhere there is no such library and guardedCall just calls.
#pragma once

#include <functional>
#include <string>

namespace norvik::devlib {

// Returns call()'s result. `crashed` gets a description of the exception ("access violation
// writing 0x00000010 (exception 0xC0000005 at 0x6F281234)") and must return; nothing returns
// to guardedCall's caller after it.
int guardedCall(const std::function<int()>& call,
                const std::function<void(const std::string& what)>& crashed);

}  // namespace norvik::devlib
