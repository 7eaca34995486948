#pragma once

// `quorvin scan`: where the cameras are. Each serial port is opened at each line speed in turn
// until a chain answers the link set-up; each network name once. Every camera the set-up counts
// is asked what it is (the device-type inquiry). Nothing else is sent: no command that moves a
// camera or changes a setting, only the link set-up (88 30 01 FF, 88 01 00 01 FF) and the
// inquiry. The ports are probed side by side, so a machine with many silent ports costs the
// waits of one port, not of all.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "doctor/Messages.h"
#include "doctor/Session.h"
#include "ports/PortList.h"

namespace Doctor {

// The line speeds tried, in this order: the library's own first, then those that cameras most
// often come set to.
const std::vector<std::uint32_t>& scanSpeeds();

struct ScanTarget {
    std::string name;    // as the user names the port: "COM1", "/dev/ttyUSB0", "udp://10.0.0.7"
    std::string device;  // its other name, "/dev/ttyS0" for COM1; "" when it has none
    // The line speeds to try, in order; none for a network name, which is tried once.
    std::vector<std::uint32_t> speeds;
};

// The serial ports as `quorvin ports` lists them, each at every speed of `speeds`.
std::vector<ScanTarget> serialTargets(const std::vector<Ports::SerialPort>& ports,
                                      const std::vector<std::uint32_t>& speeds = scanSpeeds());
// A port the user named: a network name as it is; a serial port at the speed that its name
// carries first, then at the others of `speeds`, with its other name where `present` (the
// ports present, as `quorvin ports` lists them) gives one.
ScanTarget targetOf(const std::string& name, const std::vector<Ports::SerialPort>& present = {},
                    const std::vector<std::uint32_t>& speeds = scanSpeeds());
// Each host on each port: VISCA over IP on each UDP port, the plain byte stream on each TCP
// port. An IPv6 address is put in brackets.
std::vector<ScanTarget> networkTargets(const std::vector<std::string>& hosts,
                                       const std::vector<int>& udpPorts,
                                       const std::vector<int>& tcpPorts);

struct ScanSettings {
    LinkMaker makeLink = libraryLinks();
    // Each exchange's wait. A camera answers within a few milliseconds; a port with nothing on
    // it costs this once per speed.
    std::chrono::milliseconds wait{400};
    // How many links are probed at the same time.
    std::size_t parallel = 16;
};

struct FoundCamera {
    std::string link;    // the name to connect with: the port with its line speed where not 9600
    std::string device;  // the port's other name, or ""
    int camera = 0;      // its number on the chain, 1 to 7
    std::optional<DeviceCodes> codes;
    std::string error;        // why the device-type inquiry failed, when it did
    double milliseconds = 0;  // the device-type inquiry's round trip
};

struct NotFound {
    std::string link;  // the port or the network name, as given
    std::string device;
    std::string cause;  // in words: why the port did not open, or what did not answer
};

struct ScanResult {
    std::vector<FoundCamera> cameras;
    std::vector<NotFound> notFound;
    std::size_t tried = 0;  // the links looked at
    double seconds = 0;     // how long the scan took
};

ScanResult scan(const std::vector<ScanTarget>& targets, const ScanSettings& settings = {});

// "/dev/ttyUSB0@38400", or the name alone at 9600 baud.
std::string linkName(const std::string& port, std::uint32_t speed);

// A table for people, and the same as JSON.
std::string scanText(const ScanResult& result);
nlohmann::ordered_json scanJson(const ScanResult& result);

}  // namespace Doctor
