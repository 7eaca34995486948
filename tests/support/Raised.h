#pragma once

#include <string>
#include <utility>

#include "quorvin/DriverException.h"

namespace TestSupport {

// Runs `body` and returns the text of the `Exception` it raises, or "(nothing raised)"; any
// other exception escapes and fails the test.
template <typename Exception = CameraDriver::DriverException, typename Body>
std::string raisedBy(Body&& body) {
    try {
        std::forward<Body>(body)();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace TestSupport
