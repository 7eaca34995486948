// One operation through each interface to the same virtual camera, answering at once: the C++
// Controller (libquorvin), the C interface (libquorvin-c) and the Python package over it (a
// python3 process running bench/capi.py). getCurCamera sends nothing, so its time is the
// interface's own cost; getPowerState (one inquiry) and setGain (acknowledgement and completion)
// add an exchange over the pseudo-terminal. Prints the median and 99th percentile in µs of each,
// and what the C interface and Python add to the C++ median.
//
// The machine is shared with other builds, whose load comes and goes; so the calls run in blocks
// that take turns (C++, C, Python, C++, ...), each on a connection of its own (the line takes one
// client at a time), and each interface's figures are over all its blocks.
//
//   quorvin-bench-capi [rounds]      (default 20000, in 10 blocks)
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

const int BLOCKS = 10;
const char* const OPERATIONS[] = {"getCurCamera", "getPowerState", "setGain"};

// The times of one interface's calls in µs, by operation.
using Times = std::map<std::string, std::vector<double>>;

void timed(int rounds, const std::function<void()>& call, std::vector<double>& times) {
    for (int i = 0; i < rounds / 10; ++i) call();  // warm-up
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        call();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
}

void check(quorvin_status status) {
    if (status != QUORVIN_OK) {
        std::fprintf(stderr, "quorvin-bench-capi: the C interface failed with status %d\n",
                     static_cast<int>(status));
        std::exit(1);
    }
}

bool cppBlock(const std::string& port, int rounds, Times& times) {
    try {
        CameraDriver::Controller camera;
        camera.connect(port);
        timed(
            rounds, [&] { camera.getCurCamera(); }, times["getCurCamera"]);
        timed(
            rounds, [&] { camera.getPowerState(); }, times["getPowerState"]);
        timed(
            rounds, [&] { camera.setGain(5); }, times["setGain"]);
        camera.disconnect();
        return true;
    } catch (const CameraDriver::DriverException& failure) {
        std::fprintf(stderr, "quorvin-bench-capi: %s\n", failure.what());
        return false;
    }
}

bool cBlock(const std::string& port, int rounds, Times& times) {
    quorvin_camera* handle = nullptr;
    char error[256];
    if (quorvin_open(port.c_str(), &handle, error, sizeof error) != QUORVIN_OK) {
        std::fprintf(stderr, "quorvin-bench-capi: %s\n", error);
        return false;
    }
    int number = 0;
    int on = 0;
    timed(
        rounds, [&] { check(quorvin_get_cur_camera(handle, &number)); }, times["getCurCamera"]);
    timed(
        rounds, [&] { check(quorvin_get_power_state(handle, &on)); }, times["getPowerState"]);
    timed(
        rounds, [&] { check(quorvin_set_gain(handle, 5)); }, times["setGain"]);
    quorvin_close(handle);
    return true;
}

bool pythonBlock(const std::string& port, int rounds, Times& times) {
    const TestSupport::RunResult python =
        TestSupport::runProgram({"/usr/bin/env", "PYTHONPATH=" QUORVIN_PYTHON_PACKAGE,
                                 "QUORVIN_C_LIBRARY=" QUORVIN_C_LIBRARY, QUORVIN_PYTHON,
                                 QUORVIN_BENCH_SCRIPT, port, std::to_string(rounds)},
                                "", std::chrono::seconds(600));
    if (python.exitCode != 0) {
        std::fprintf(stderr, "quorvin-bench-capi: the Python half failed:\n%s", python.err.c_str());
        return false;
    }
    // One operation a line: its name, then the time of each call.
    std::istringstream lines(python.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        for (double t; words >> t;) {
            times[name].push_back(t);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(BLOCKS, std::atoi(argv[1])) : 20000;
    const int block = rounds / BLOCKS;
    Camsim::ServerOptions options;
    Camsim::PtyServer server(options);
    const std::string port = server.devicePath();

    std::map<std::string, Times> times;
    for (int b = 0; b < BLOCKS; ++b) {
        if (!cppBlock(port, block, times["C++"]) || !cBlock(port, block, times["C"]) ||
            !pythonBlock(port, block, times["Python"])) {
            return 1;
        }
    }

    std::printf(
        "%d calls per operation and interface in %d blocks, camera answering at once on "
        "a pseudo-terminal; µs\n",
        block * BLOCKS, BLOCKS);
    std::printf("%-14s %-7s %10s %10s %14s\n", "operation", "via", "median", "p99",
                "added (median)");
    for (const char* operation : OPERATIONS) {
        const double base = percentile(times["C++"][operation], 0.5);
        for (const char* via : {"C++", "C", "Python"}) {
            const std::vector<double>& t = times[via][operation];
            std::printf("%-14s %-7s %10.3f %10.3f %14.3f\n", operation, via, percentile(t, 0.5),
                        percentile(t, 0.99), percentile(t, 0.5) - base);
        }
    }
    return 0;
}
