// One exchange over each kind of link to the same virtual camera, answering at once: the
// pseudo-terminal, tcp:// (the plain byte stream) and udp:// (VISCA over IP), all through the
// public Controller. Prints the median and 99th percentile time of an inquiry (getPowerState,
// one exchange), of getZoom (two inquiries) and of a command (setGain: acknowledgement and
// completion), and the processor time of the calling thread per operation. The camera runs on
// threads of its own in this process, on the loopback.
//
//   quorvin-bench-network [rounds]      (default 2000)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/Statistics.h"
#include "quorvin/Controller.h"
#include "quorvin/DriverException.h"
#include "sim/PtyServer.h"

namespace {

using Bench::percentile;
using Bench::threadCpuMs;
using Clock = std::chrono::steady_clock;
using CameraDriver::Controller;

struct Operation {
    const char* name;
    std::function<void(Controller&)> call;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    Camsim::ServerOptions options;
    options.network.tcpPort = 0;
    options.network.udpPort = 0;
    Camsim::PtyServer server(options);
    const std::vector<std::pair<const char*, std::string>> links = {
        {"pty", server.devicePath()},
        {"tcp", "tcp://127.0.0.1:" + std::to_string(server.tcpPort())},
        {"udp", "udp://127.0.0.1:" + std::to_string(server.udpPort())},
    };
    const std::vector<Operation> operations = {
        {"getPowerState", [](Controller& c) { c.getPowerState(); }},
        {"getZoom", [](Controller& c) { c.getZoom(); }},
        {"setGain", [](Controller& c) { c.setGain(5); }},
    };
    std::printf("%d rounds per operation and link; times in ms\n", rounds);
    std::printf("%-14s %-4s %9s %9s %9s\n", "operation", "link", "median", "p99", "cpu");
    try {
        for (const Operation& operation : operations) {
            for (const auto& [link, name] : links) {
                Controller camera;
                camera.connect(name);
                for (int i = 0; i < rounds / 10; ++i) operation.call(camera);  // warm-up
                std::vector<double> times;
                times.reserve(static_cast<std::size_t>(rounds));
                const double cpuStart = threadCpuMs();
                for (int i = 0; i < rounds; ++i) {
                    const auto start = Clock::now();
                    operation.call(camera);
                    times.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                }
                const double cpu = (threadCpuMs() - cpuStart) / rounds;
                camera.disconnect();
                std::printf("%-14s %-4s %9.3f %9.3f %9.3f\n", operation.name, link,
                            percentile(times, 0.5), percentile(times, 0.99), cpu);
            }
        }
    } catch (const CameraDriver::DriverException& failure) {
        std::fprintf(stderr, "quorvin-bench-network: %s\n", failure.what());
        return 1;
    }
    return 0;
}
