#include "cli/PortCheck.h"

#include <algorithm>

namespace QuorvinCli {

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

}  // namespace

std::string portLines(const std::vector<Ports::SerialPort>& ports) {
    std::size_t width = 0;
    for (const Ports::SerialPort& port : ports) {
        if (!port.device.empty()) {
            width = std::max(width, port.name.size());
        }
    }
    std::string lines;
    for (const Ports::SerialPort& port : ports) {
        lines += port.device.empty()
                     ? port.name
                     : port.name + std::string(width - port.name.size() + 2, ' ') + port.device;
        lines += '\n';
    }
    return lines;
}

std::string portLabel(const Ports::SerialPort& port) {
    return port.device.empty() ? port.name : port.name + " (" + port.device + ")";
}

std::string explainPort(const PortFacts& facts) {
    switch (facts.cause) {
        case PortFacts::Cause::Unknown:
            return {};
        case PortFacts::Cause::Missing:
            return "no such device " + facts.device + "; " +
                   (facts.present.empty() ? "no serial port is present"
                                          : "ports present: " + joined(facts.present));
        case PortFacts::Cause::NotDevice:
            return facts.device + " is " + facts.what + ", not a serial device";
        case PortFacts::Cause::NotSerial:
            return facts.device + " is not a serial device";
        case PortFacts::Cause::PermissionDenied:
            if (facts.group.empty()) {
                return "permission denied: " + facts.user + " may not open " + facts.device;
            }
            if (facts.joinedButNotActive) {
                return "permission denied: " + facts.device + " belongs to group " + facts.group +
                       ", which " + facts.user + " joined after logging in; log in again";
            }
            return "permission denied: " + facts.device + " belongs to group " + facts.group +
                   ", which " + facts.user + " is not in; join it with: sudo usermod -aG " +
                   facts.group + " $USER (then log in again)";
        case PortFacts::Cause::Busy:
            return facts.device + " is held by another process" +
                   (facts.holders.empty() ? "" : ": " + joined(facts.holders));
        case PortFacts::Cause::BusyOrDenied:
            return "access to " + facts.device +
                   " denied: another program has it open (close it), or this account may not "
                   "use it";
    }
    return {};
}

std::string diagnosePort(const std::string& port) {
    for (const char* scheme : {"tcp://", "udp://"}) {
        if (port.rfind(scheme, 0) == 0) {
            return {};
        }
    }
    // The speed is the line's, not part of the device's name.
    return explainPort(inspectPort(Ports::withoutLineSpeed(port)));
}

}  // namespace QuorvinCli
