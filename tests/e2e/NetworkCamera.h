#pragma once

// The virtual camera with its first camera on the network too (tcp:// and udp:// on
// 127.0.0.1, ports chosen by the system), and the frames it received as its log tells them.

#include <mutex>
#include <string>
#include <vector>

#include "sim/PtyServer.h"

namespace E2eTest {

// Which way a test reaches the camera.
enum class Link { Pty, Tcp, Udp };

inline const char* linkName(Link link) {
    return link == Link::Pty ? "pty" : link == Link::Tcp ? "tcp" : "udp";
}

// The name that Controller::connect takes to reach `server`'s first camera over `link`.
inline std::string portName(const Camsim::PtyServer& server, Link link) {
    switch (link) {
        case Link::Tcp:
            return "tcp://127.0.0.1:" + std::to_string(server.tcpPort());
        case Link::Udp:
            return "udp://127.0.0.1:" + std::to_string(server.udpPort());
        case Link::Pty:
            break;
    }
    return server.devicePath();
}

class NetworkCamera {
    // Before the server: its threads log from the start.
    std::mutex mutex;
    std::vector<std::string> received;
    std::vector<std::string> noted;

  public:
    explicit NetworkCamera(Camsim::NetworkFaultPlan fault = {}) : server(options(fault, *this)) {}

    // The name that Controller::connect takes for `link`.
    std::string name(Link link) const { return portName(server, link); }
    // "HOST:PORT" as the library's network messages name the camera.
    std::string peer(Link link) const { return name(link).substr(6); }

    // The frames received so far (line and network alike), as "81 09 04 47 FF"; then forgets
    // them.
    std::vector<std::string> takeReceived() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> out;
        out.swap(received);
        return out;
    }
    // Log lines of the network's events ("tcp connection 1", "udp reply dropped") so far.
    std::vector<std::string> events() {
        std::lock_guard<std::mutex> lock(mutex);
        return noted;
    }

    Camsim::PtyServer server;

  private:
    static Camsim::ServerOptions options(const Camsim::NetworkFaultPlan& fault,
                                         NetworkCamera& self) {
        Camsim::ServerOptions o;
        o.timing.instant = true;
        o.network.tcpPort = 0;
        o.network.udpPort = 0;
        o.network.fault = fault;
        // Lines look like "    0.012345 net rx 81 09 04 47 FF" or "    0.2 net tcp connection 1".
        o.log = [&self](const std::string& line) {
            std::lock_guard<std::mutex> lock(self.mutex);
            const std::size_t rx = line.find(" rx ");
            if (rx != std::string::npos) {
                self.received.push_back(line.substr(rx + 4));
            } else if (line.find(" net ") != std::string::npos &&
                       line.find(" tx ") == std::string::npos) {
                self.noted.push_back(line.substr(line.find(" net ") + 5));
            }
        };
        return o;
    }
};

}  // namespace E2eTest
