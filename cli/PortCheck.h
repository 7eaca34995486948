#pragma once

// Why a serial port would not open, found by looking at the port after the library's connect
// failed. The library's own message says that it failed; this says why, in the user's terms.
// What each platform can see of a port is gathered by its PortCheck*.cpp; the wording is
// shared.

#include <string>
#include <vector>

#include "ports/PortList.h"

namespace QuorvinCli {

struct PortFacts {
    enum class Cause {
        Unknown,           // nothing found that would stop an open
        Missing,           // no such device
        NotDevice,         // a file or folder, not a device
        NotSerial,         // a device, but not a serial one
        PermissionDenied,  // the user may not open it
        Busy,              // another process holds it
        BusyOrDenied,      // refused access: held by another process, or not the user's to open
    };
    Cause cause = Cause::Unknown;
    std::string device;                // the device looked at: "/dev/ttyS0" for COM1
    std::string what;                  // NotDevice: "a regular file", "a folder"
    std::string group;                 // PermissionDenied: the group that owns the device
    std::string user;                  // PermissionDenied: the account that ran the tool
    bool joinedButNotActive = false;   // PermissionDenied: in the group since this login
    std::vector<std::string> holders;  // Busy: "minicom (pid 1234)", where the system shows it
    std::vector<std::string> present;  // Missing: the serial ports that do exist
};

// Looks at the port a connect was refused for. Platform-specific.
PortFacts inspectPort(const std::string& port);

// The serial ports present, which `quorvin ports` lists: on POSIX Ports::presentSerialPorts(),
// on Windows the COM ports that the system has, in numeric order. Platform-specific.
std::vector<Ports::SerialPort> serialPorts();

// `quorvin ports`: a port a line, its two names side by side where it has two, the device
// paths lined up ("COM1   /dev/ttyS0", "COM12  /dev/ttyS11", "/dev/ttyUSB0").
std::string portLines(const std::vector<Ports::SerialPort>& ports);

// A port in a sentence: "COM1 (/dev/ttyS0)", or its one name.
std::string portLabel(const Ports::SerialPort& port);

// One line for the user saying what the facts mean and what to do, or "" when there is
// nothing to add to the library's message.
std::string explainPort(const PortFacts& facts);

// explainPort(inspectPort(port)) for the port without its line speed ("COM3" of "COM3@38400"),
// or "" for a network address (tcp://, udp://), which is not a device to look at.
std::string diagnosePort(const std::string& port);

}  // namespace QuorvinCli
