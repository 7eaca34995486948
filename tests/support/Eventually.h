#pragma once

// Waits for a state that another thread or process brings about (a reply on the line, say),
// so that a test goes on as soon as it holds rather than after a guessed sleep.

#include <chrono>
#include <thread>

namespace TestSupport {

// Checks `condition` every `interval` until it holds or `limit` has passed; returns whether it
// held.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5),
                std::chrono::milliseconds interval = std::chrono::milliseconds(1)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(interval);
    }
    return true;
}

}  // namespace TestSupport
