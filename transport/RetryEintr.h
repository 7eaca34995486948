#pragma once

#include <cerrno>

namespace OS {

// Runs a POSIX call again for as long as a signal interrupts it; returns its result.
template <typename Call>
auto retryEintr(Call call) {
    for (;;) {
        const auto result = call();
        if (result != -1 || errno != EINTR) {
            return result;
        }
    }
}

}  // namespace OS
