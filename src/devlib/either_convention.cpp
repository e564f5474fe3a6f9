#include "devlib/either_convention.h"

#if defined(_WIN32) && defined(__i386__)

// int norvik_call_either_convention(RawEntry entry, int a, unsigned char* b, int c, int d),
// itself __cdecl. EBP holds our frame across the call, whatever the callee does with ESP.
__asm__(
    ".text\n"
    ".globl _norvik_call_either_convention\n"
    ".def _norvik_call_either_convention; .scl 2; .type 32; .endef\n"
    "_norvik_call_either_convention:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl 24(%ebp)\n"  // time-out, the last argument, first
    "  pushl 20(%ebp)\n"  // length
    "  pushl 16(%ebp)\n"  // buffer
    "  pushl 12(%ebp)\n"  // endpoint
    "  call *8(%ebp)\n"
    "  movl %ebp, %esp\n"  // drops the arguments if the callee did not (__cdecl)
    "  popl %ebp\n"
    "  ret\n");

extern "C" int norvik_call_either_convention(norvik::devlib::RawEntry entry, int endpoint,
                                             unsigned char* buffer, int length, int timeoutMs);

namespace norvik::devlib {
int callEntry(RawEntry entry, int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  return norvik_call_either_convention(entry, endpoint, buffer, length, timeoutMs);
}
}  // namespace norvik::devlib

#else

namespace norvik::devlib {
int callEntry(RawEntry entry, int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  using Function = int (*)(int, unsigned char*, int, int);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the export's real type.
  return reinterpret_cast<Function>(entry)(endpoint, buffer, length, timeoutMs);
}
}  // namespace norvik::devlib

#endif
