#include "ports/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>

#include "transport/SerialDevice.h"

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

// The USB adaptors, then their stable names.
std::vector<std::string> adaptors(const fs::path& root) {
    std::vector<std::string> paths;
    for (const auto& group : {devicesIn(root, "ttyUSB"), devicesIn(root, "ttyACM"),
                              devicesIn(root / "serial" / "by-id", "")}) {
        paths.insert(paths.end(), group.begin(), group.end());
    }
    return paths;
}

const char* const SERIAL_LINE = "ttyS";
const char* const COM = "COM";

// Whether serial line `name` (ttyS<n>) has a port behind it. The kernel's entry for the line
// has a "type", the kind of UART that the driver found there, 0 when it found none. Read from
// there rather than asked of the device (TIOCGSERIAL): every account may read it, where opening
// the device needs the dialout group, and opening a real port raises its DTR and RTS lines,
// which a listing has no business doing. No entry: a node that the kernel has no line for. An
// entry without a type (a driver that does not say) is listed: it may well be a port.
bool hasPort(const fs::path& ttyClass, const std::string& name) {
    std::error_code error;
    if (!fs::is_directory(ttyClass, error)) {
        return true;
    }
    if (!fs::exists(ttyClass / name, error)) {
        return false;
    }
    std::ifstream typeFile(ttyClass / name / "type");
    int type = 0;
    if (!(typeFile >> type)) {
        return true;
    }
    return type != 0;
}

}  // namespace

std::vector<std::string> listSerialPorts(const std::string& deviceRoot) {
    std::vector<std::string> ports = {"COM1", "COM2", "COM3", "COM4"};
    const std::vector<std::string> present = adaptors(deviceRoot);
    ports.insert(ports.end(), present.begin(), present.end());
    return ports;
}

std::vector<SerialPort> presentSerialPorts(const std::string& deviceRoot,
                                           const std::string& ttyClass) {
    std::vector<SerialPort> ports;
    const std::size_t prefix = std::string(SERIAL_LINE).size();
    for (const std::string& path : devicesIn(deviceRoot, SERIAL_LINE)) {
        const std::string name = fs::path(path).filename().string();
        const std::string digits = name.substr(prefix);
        // ttyS<n> only: not ttySAC0 and the like, which the library has no COM name for.
        if (digits.empty() || digits.size() > 4 ||
            digits.find_first_not_of("0123456789") != std::string::npos ||
            (digits.size() > 1 && digits[0] == '0') || !hasPort(ttyClass, name)) {
            continue;
        }
        ports.push_back({COM + std::to_string(std::stoul(digits) + 1), path});
    }
    for (const std::string& path : adaptors(deviceRoot)) {
        ports.push_back({path, ""});
    }
    return ports;
}

std::string devicePathOf(const std::string& port) { return OS::posixDeviceOf(port); }

std::string withoutLineSpeed(const std::string& name) { return OS::parsePortName(name).port; }

}  // namespace Ports
