#pragma once

// A test that cannot run here says why in the output. Where every test must run (the project's
// own test script sets QUORVIN_NO_SKIP), the same reason fails the test instead.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace TestSupport {

inline bool skipsAreFailures() {
    const char* value = std::getenv("QUORVIN_NO_SKIP");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace TestSupport

#define QUORVIN_SKIP(reason)                                                          \
    do {                                                                              \
        if (TestSupport::skipsAreFailures()) {                                        \
            GTEST_FAIL() << "cannot run here and QUORVIN_NO_SKIP is set: " << reason; \
        }                                                                             \
        GTEST_SKIP() << reason;                                                       \
    } while (false)
