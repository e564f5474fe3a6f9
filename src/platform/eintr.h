// A POSIX call that a signal interrupts fails with EINTR having done nothing; it is made again.
// Every such retry of the program's own system calls goes through here.
#pragma once

#include <cerrno>

namespace norvik {

// Calls `call` until it returns anything but -1 with errno EINTR, and returns that.
template <typename Call>
auto retryOnEintr(Call call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

}  // namespace norvik
