// One operation through each interface to the same virtual camera, answering at once: the C++
// Controller (libquorvin), the C interface (libquorvin-c) and the Python package over it (a
// python3 process running bench/capi.py). getCurCamera sends nothing, so its time is the
// interface's own cost; getPowerState (one inquiry) and setGain (acknowledgement and completion)
// add an exchange over the pseudo-terminal. Prints the median and 99th percentile in µs of each,
// and what the C interface and Python add to the C++ median.
//
//   quorvin-bench-capi [rounds]      (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/Statistics.h"
#include "quorvin/Controller.h"
#include "quorvin/DriverException.h"
#include "quorvin/quorvin.h"
#include "sim/PtyServer.h"
#include "tests/support/Subprocess.h"

namespace {

using Bench::percentile;
using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double p99;
};

Figures timed(int rounds, const std::function<void()>& call) {
    for (int i = 0; i < rounds / 10; ++i) call();  // warm-up
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        call();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return {percentile(times, 0.5), percentile(times, 0.99)};
}

void check(quorvin_status status) {
    if (status != QUORVIN_OK) {
        std::fprintf(stderr, "quorvin-bench-capi: the C interface failed with status %d\n",
                     static_cast<int>(status));
        std::exit(1);
    }
}

const char* const OPERATIONS[] = {"getCurCamera", "getPowerState", "setGain"};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 20000;
    Camsim::ServerOptions options;
    Camsim::PtyServer server(options);
    const std::string port = server.devicePath();
    std::map<std::string, std::map<std::string, Figures>> figures;

    try {
        CameraDriver::Controller camera;
        camera.connect(port);
        figures["C++"]["getCurCamera"] = timed(rounds, [&] { camera.getCurCamera(); });
        figures["C++"]["getPowerState"] = timed(rounds, [&] { camera.getPowerState(); });
        figures["C++"]["setGain"] = timed(rounds, [&] { camera.setGain(5); });
        camera.disconnect();
    } catch (const CameraDriver::DriverException& failure) {
        std::fprintf(stderr, "quorvin-bench-capi: %s\n", failure.what());
        return 1;
    }

    quorvin_camera* handle = nullptr;
    char error[256];
    if (quorvin_open(port.c_str(), &handle, error, sizeof error) != QUORVIN_OK) {
        std::fprintf(stderr, "quorvin-bench-capi: %s\n", error);
        return 1;
    }
    int number = 0;
    int on = 0;
    figures["C"]["getCurCamera"] =
        timed(rounds, [&] { check(quorvin_get_cur_camera(handle, &number)); });
    figures["C"]["getPowerState"] =
        timed(rounds, [&] { check(quorvin_get_power_state(handle, &on)); });
    figures["C"]["setGain"] = timed(rounds, [&] { check(quorvin_set_gain(handle, 5)); });
    quorvin_close(handle);

    const TestSupport::RunResult python =
        TestSupport::runProgram({"/usr/bin/env", "PYTHONPATH=" QUORVIN_PYTHON_PACKAGE,
                                 "QUORVIN_C_LIBRARY=" QUORVIN_C_LIBRARY, QUORVIN_PYTHON,
                                 QUORVIN_BENCH_SCRIPT, port, std::to_string(rounds)},
                                "", std::chrono::seconds(600));
    if (python.exitCode != 0) {
        std::fprintf(stderr, "quorvin-bench-capi: the Python half failed:\n%s", python.err.c_str());
        return 1;
    }
    std::istringstream lines(python.out);
    std::string name;
    Figures row{};
    while (lines >> name >> row.median >> row.p99) {
        figures["Python"][name] = row;
    }

    std::printf(
        "%d calls per operation and interface, camera answering at once on a "
        "pseudo-terminal; µs\n",
        rounds);
    std::printf("%-14s %-7s %10s %10s %14s\n", "operation", "via", "median", "p99",
                "added (median)");
    for (const char* operation : OPERATIONS) {
        const double base = figures["C++"][operation].median;
        for (const char* via : {"C++", "C", "Python"}) {
            const Figures& f = figures[via][operation];
            std::printf("%-14s %-7s %10.3f %10.3f %14.3f\n", operation, via, f.median, f.p99,
                        f.median - base);
        }
    }
    return 0;
}
