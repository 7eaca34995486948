#pragma once

// The figures every benchmark prints: percentiles of its timings and the processor time its
// thread used.

#include <sys/resource.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace Bench {

// The value below which the share `p` (0 to 1) of `values` lies, by the nearest rank.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// The processor time, user and system, that the calling thread has used so far, in ms.
inline double threadCpuMs() {
    rusage usage{};
    if (::getrusage(RUSAGE_THREAD, &usage) != 0) return 0;
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace Bench
