#pragma once

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>

#include "sim/Motion.h"

namespace Camsim {

// The poll(2) time-out in milliseconds that ends at `deadline`; none waits without end.
inline int pollTimeout(std::optional<TimePoint> deadline) {
    if (!deadline) return -1;
    const auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Round up: waking early would only lead to another, shorter wait.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

}  // namespace Camsim
