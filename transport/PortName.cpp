#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "transport/SerialDevice.h"

namespace OS {

PortName parsePortName(const std::string& name) {
    PortName parsed;
    parsed.port = name;
    const std::size_t at = name.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 == name.size()) {
        return parsed;
    }
    std::uint64_t rate = 0;
    for (std::size_t i = at + 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return parsed;
        }
        // Past any real line speed the count stops: such a speed is refused as it is.
        rate = std::min<std::uint64_t>(rate * 10 + static_cast<std::uint64_t>(name[i] - '0'),
                                       std::uint64_t{1} << 32);
    }
    parsed.port = name.substr(0, at);
    parsed.baudRate = rate < (std::uint64_t{1} << 32) ? static_cast<std::uint32_t>(rate) : 0;
    parsed.speedGiven = true;
    return parsed;
}

std::string posixDeviceOf(const std::string& port) {
    constexpr std::size_t prefix = 3;
    constexpr std::size_t maxDigits = 9;
    if (port.size() <= prefix || port.size() > prefix + maxDigits ||
        port.compare(0, prefix, "COM") != 0 || port[prefix] == '0') {
        return port;
    }
    unsigned long number = 0;
    for (std::size_t i = prefix; i < port.size(); ++i) {
        if (port[i] < '0' || port[i] > '9') {
            return port;
        }
        number = number * 10 + static_cast<unsigned long>(port[i] - '0');
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace OS
