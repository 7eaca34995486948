#pragma once

// Serial ports a user can pick from. The Demo offers the four names that every system knows a
// port by ("COM1" to "COM4"; the POSIX port layer maps COMn to /dev/ttyS(n-1)), then the serial
// devices actually present; the command-line tool lists only the ports that are present.

#include <cstddef>
#include <string>
#include <vector>

namespace Ports {

// The Demo's list: "COM1".."COM4", whether present or not (a field to choose from, which the
// user may also type into), then under `deviceRoot`: ttyUSB*, ttyACM* (each in numeric order)
// and the stable names under serial/by-id/ (in name order). Entries that cannot be read are
// skipped; a missing folder is no error (a machine without a USB adaptor has no serial/by-id).
std::vector<std::string> listSerialPorts(const std::string& deviceRoot = "/dev");

// A serial port that is present: `name` is what a user gives as the port, and `device` its
// device path where that is another name for it ("COM1" is "/dev/ttyS0"), else "".
struct SerialPort {
    std::string name;
    std::string device;
};

// The serial ports that are present under `deviceRoot`: each ttyS<n> with a port behind it as
// COM<n+1> (in numeric order), then ttyUSB*, ttyACM* and serial/by-id/ as listSerialPorts()
// has them. Linux makes a ttyS node for every line its serial driver reserves (often 32) and
// only some have a port; `ttyClass` is the kernel's folder of terminals, /sys/class/tty, whose
// entry for a line says which (see PortList.cpp). Without that folder every node is listed.
std::vector<SerialPort> presentSerialPorts(const std::string& deviceRoot = "/dev",
                                           const std::string& ttyClass = "/sys/class/tty");

// The device that the library opens for a port name on POSIX: "COM<n>" (n from 1, no leading
// zero) is /dev/ttyS<n-1>, any other name is a path. `port` is without its line speed.
std::string devicePathOf(const std::string& port);

// The port of a name that may carry a line speed, as the library reads it: "/dev/ttyUSB0" of
// "/dev/ttyUSB0@38400", "COM3" of "COM3@115200"; any other name whole.
std::string withoutLineSpeed(const std::string& name);

// The most characters a port name has on this platform: the four of "COM1".."COM4" on
// Windows, a whole device path on POSIX. Defined by the platform's PortNameLimit*.cpp.
std::size_t portNameLimit();

}  // namespace Ports
