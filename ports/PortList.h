#pragma once

// Serial ports a user can pick from: the four names that every system knows a port by
// ("COM1" to "COM4"; the POSIX port layer maps them to /dev/ttyS0 to /dev/ttyS3), then the
// serial devices actually present. Shared by the Demo dialog and the command-line tool.

#include <cstddef>
#include <string>
#include <vector>

namespace Ports {

// "COM1".."COM4", then under `deviceRoot`: ttyUSB*, ttyACM* (each in numeric order) and the
// stable names under serial/by-id/ (in name order). Entries that cannot be read are skipped;
// a missing folder is no error (a machine without a USB adaptor has no serial/by-id).
std::vector<std::string> listSerialPorts(const std::string& deviceRoot = "/dev");

// The most characters a port name has on this platform: the four of "COM1".."COM4" on
// Windows, a whole device path on POSIX. Defined by the platform's PortNameLimit*.cpp.
std::size_t portNameLimit();

}  // namespace Ports
