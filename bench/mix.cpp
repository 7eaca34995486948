// A realistic mix of camera operations through the exported Controller, against the virtual
// camera pacing its replies at 9600 baud. For each operation it prints the median and 99th
// percentile time beside two floors:
//  - line floor: what a real 9600-baud line costs, every byte of the command and of the reply
//    at 10 bits each, plus the 20 ms of quiet that ends each read;
//  - pty floor: what this set-up can reach. A pseudo-terminal carries the command at once and
//    the camera sends its first reply byte at once, then one byte every 10 bits, so only the
//    gaps between reply bytes and the 20 ms of quiet remain.
// The library's own cost is the median above the pty floor.
//
//   quorvin-bench-mix [rounds]      (default 40)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "quorvin/Controller.h"
#include "sim/PtyServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using CameraDriver::Controller;

constexpr double BYTE_MS = 10.0 * 1000.0 / 9600.0;
constexpr double QUIET_GAP_MS = 20.0;

struct Operation {
    const char* name;
    std::function<void(Controller&)> run;
    // Bytes on the line per exchange: command and reply; an operation may take two exchanges.
    std::vector<std::pair<int, int>> exchanges;
};

double lineFloorMs(const Operation& op) {
    double ms = 0;
    for (const auto& [sent, received] : op.exchanges) {
        ms += (sent + received) * BYTE_MS + QUIET_GAP_MS;
    }
    return ms;
}

double ptyFloorMs(const Operation& op) {
    double ms = 0;
    for (const auto& exchange : op.exchanges) {
        ms += (exchange.second - 1) * BYTE_MS + QUIET_GAP_MS;
    }
    return ms;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    camsim::ServerOptions options;
    options.timing.pace9600 = true;
    camsim::PtyServer server(options);
    Controller camera;
    double pan = 0, tilt = 0;
    const std::vector<Operation> mix = {
        {"moveUp(10)", [](Controller& c) { c.moveUp(10); }, {{9, 6}}},
        {"stopMove", [](Controller& c) { c.stopMove(); }, {{9, 6}}},
        {"zoomIn(3)", [](Controller& c) { c.zoomIn(3); }, {{6, 6}}},
        {"stopZoom", [](Controller& c) { c.stopZoom(); }, {{6, 6}}},
        {"getPanTilt", [&](Controller& c) { c.getPanTilt(pan, tilt); }, {{5, 11}}},
        {"getZoom", [](Controller& c) { c.getZoom(); }, {{5, 7}, {5, 4}}},
        {"getPowerState", [](Controller& c) { c.getPowerState(); }, {{5, 4}}},
        {"setRGain(0x90)", [](Controller& c) { c.setRGain(0x90); }, {{9, 6}}},
        {"getRGain", [](Controller& c) { c.getRGain(); }, {{5, 7}}},
    };

    try {
        camera.connect(server.devicePath());
        std::vector<std::vector<double>> times(mix.size());
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t i = 0; i < mix.size(); ++i) {
                const auto start = Clock::now();
                mix[i].run(camera);
                times[i].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        }
        camera.disconnect();

        std::printf("%d rounds against the virtual camera at 9600 baud\n", rounds);
        std::printf("%-16s %11s %10s %10s %10s %18s\n", "operation", "line floor", "pty floor",
                    "median", "p99", "median - pty floor");
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double floor = ptyFloorMs(mix[i]);
            const double median = percentile(times[i], 0.5);
            std::printf("%-16s %8.2f ms %7.2f ms %7.2f ms %7.2f ms %15.2f ms\n", mix[i].name,
                        lineFloorMs(mix[i]), floor, median, percentile(times[i], 0.99),
                        median - floor);
        }
    } catch (const CameraDriver::DriverException& e) {
        std::fprintf(stderr, "quorvin-bench-mix: %s\n", e.what());
        return 1;
    }
    return 0;
}
