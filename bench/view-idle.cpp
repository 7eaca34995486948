// Processor time of quorvin-camsim --view at rest and while a camera moves, beside the program
// without its view. At rest the view should draw nothing and use no time; while a camera pans
// it draws up to about 30 frames a second.
//
//   quorvin-bench-view-idle [seconds]     (default 5 per phase)
//
// The window goes to $DISPLAY when there is one, else to Qt's off-screen platform (which draws
// just the same, only to no screen).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/ProgramSupport.h"

namespace {

using SimTest::Port;
using SimTest::Program;
using SimTest::TempDir;

using Clock = std::chrono::steady_clock;

// CPU seconds that the program uses over `seconds`, while `activity` runs until the end of them
// (or returns early, and then nothing else happens).
template <typename Activity>
double cpuOver(const Program& program, double seconds, Activity activity) {
    const double before = program.cpuSeconds();
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    activity(end);
    std::this_thread::sleep_until(end);
    return program.cpuSeconds() - before;
}

void rest(Clock::time_point) {}

void report(const char* what, double cpu, double seconds) {
    std::printf("%-44s %8.1f ms CPU in %.0f s  (%.2f %% of one core)\n", what, cpu * 1000, seconds,
                100 * cpu / seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: quorvin-bench-view-idle [seconds]\n");
        return 2;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    std::printf("quorvin-camsim --cameras 3, platform %s\n",
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "xcb");

    TempDir dir;
    {
        Program plain({"--cameras", "3"}, dir.path("stderr.txt"));
        if (plain.readLine().empty()) {
            std::fprintf(stderr, "quorvin-camsim did not start\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        report("without --view, at rest", cpuOver(plain, seconds, rest), seconds);
    }

    Program program({"--view", "--cameras", "3"}, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    if (device.empty()) {
        std::fprintf(stderr, "quorvin-camsim --view did not start:\n%s",
                     SimTest::readFile(dir.path("stderr.txt")).c_str());
        return 1;
    }
    // Let the window come up and draw its first pictures.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    report("--view, at rest", cpuOver(program, seconds, rest), seconds);
    {
        Port port(device);
        // Camera 1 pans right at speed 2 (120 counts a second): it reaches its end in 12 s.
        report("--view, one camera panning",
               cpuOver(program, seconds,
                       [&](Clock::time_point) { port.send("81 01 06 01 02 14 02 03 FF"); }),
               seconds);
        port.send("81 01 06 01 02 14 03 03 FF");
        port.drain();
        // A client that only asks: each arrival is looked at, but nothing changes to draw.
        report("--view, a client asking 20 times a second",
               cpuOver(program, seconds,
                       [&](Clock::time_point end) {
                           while (Clock::now() < end) {
                               port.send("81 09 06 12 FF");
                               port.drain(std::chrono::milliseconds(50));
                           }
                       }),
               seconds);
    }
    report("--view, at rest again", cpuOver(program, seconds, rest), seconds);
    return program.stop(SIGTERM) == 0 ? 0 : 1;
}
