// Calling an exported library function whose calling convention is not known.
//
// On 32-bit Windows a __stdcall function pops its own arguments and a __cdecl function leaves
// them to the caller. Calling one as if it were the other leaves the stack pointer 16 bytes off
// and corrupts the caller's frame. callEntry goes through a small thunk that remembers the stack
// pointer in a register both conventions preserve (EBP), pushes the four arguments, calls, and
// puts the stack pointer back from that register, so it does not matter whether the callee
// popped them. Both conventions return the int result in EAX and keep EBX, ESI, EDI and EBP.
// Elsewhere there is one convention and the call is direct.
#pragma once

#include "devlib/entry_points.h"

namespace norvik::devlib {

int callEntry(RawEntry entry, int endpoint, unsigned char* buffer, int length, int timeoutMs);

}  // namespace norvik::devlib
