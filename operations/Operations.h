#pragma once

// The operations of CameraDriver::Controller by name: one row per operation with its name, its
// group in the public header, its typed arguments and a call. The command-line tool, the hub and
// the C interface all read this one table.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "operations/Values.h"

namespace CameraDriver {
class Controller;
}

namespace Operations {

struct Operation {
    const char* name;
    const char* group;
    std::vector<ArgInfo> args;
    // Read by `status`: an inquiry that takes no argument and changes nothing.
    bool inquiry;
    std::function<Result(CameraDriver::Controller&, const std::vector<Value>&)> invoke;
};

// In the order of the public header.
const std::vector<Operation>& all();
// The group headings in the order of the public header.
const std::vector<const char*>& groups();
const Operation* find(std::string_view name);

// "setPanTilt <pan:double> <tilt:double> <panSpeed:int> <tiltSpeed:int>"
std::string usageOf(const Operation& operation);

}  // namespace Operations
