#include "ports/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <tuple>

namespace Ports {

namespace {

namespace fs = std::filesystem;

// Orders "ttyUSB2" before "ttyUSB10": a trailing number compares as a number.
bool numericLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])) != 0) {
            --digits;
        }
        const std::string number = name.substr(digits);
        // Leading zeros and length: a longer digit run is the larger number.
        const std::size_t nonZero = number.find_first_not_of('0');
        const std::string trimmed = nonZero == std::string::npos ? "" : number.substr(nonZero);
        return std::make_tuple(name.substr(0, digits), trimmed.size(), trimmed, name);
    };
    return split(a) < split(b);
}

// Names in `folder` that start with `prefix`, as full paths, in numeric order.
std::vector<std::string> devicesIn(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), numericLess);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        paths.push_back((folder / name).string());
    }
    return paths;
}

}  // namespace

std::vector<std::string> listSerialPorts(const std::string& deviceRoot) {
    std::vector<std::string> ports = {"COM1", "COM2", "COM3", "COM4"};
    const fs::path root(deviceRoot);
    for (const auto& group : {devicesIn(root, "ttyUSB"), devicesIn(root, "ttyACM"),
                              devicesIn(root / "serial" / "by-id", "")}) {
        ports.insert(ports.end(), group.begin(), group.end());
    }
    return ports;
}

}  // namespace Ports
