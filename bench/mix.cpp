// A realistic mix of camera operations against the virtual camera pacing its replies at 9600
// baud, once with the receive that ends on the 20 ms quiet gap and once with the one that ends
// at the frame terminator (the library's own), side by side. For each operation it prints the
// median and 99th percentile time of both beside three floors, taken from the bytes that the
// operation's exchanges really put on the line:
//  - wire: what a real 9600-baud line needs, every byte of the command and of the reply at 10
//    bits each, plus the camera's own delay (none here: the mix has no timed move);
//  - pty: what this set-up can reach at best. A pseudo-terminal carries the command at once and
//    the camera sends its first reply byte at once, then one byte every 10 bits;
//  - measured: the same frames written and their replies read by a bare loop on the terminal,
//    without the library: the pty floor plus the virtual camera's own timing.
// The library's own cost is the terminator median above the measured floor; the quiet-gap
// receive adds 20 ms per receive on top. CPU is the processor time of the library's thread per
// exchange (the camera runs on a thread of its own).
//
//   quorvin-bench-mix [rounds]      (default 40)
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Statistics.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "sim/PtyServer.h"
#include "transport/Comm.h"

namespace {

using Bench::percentile;
using Bench::threadCpuMs;
using Clock = std::chrono::steady_clock;
using CameraDriver::Comm;
using CameraDriver::ControllerImpl;
using Bytes = std::vector<unsigned char>;
using Terminator = std::optional<std::uint8_t>;

constexpr double BYTE_MS = 10.0 * 1000.0 / 9600.0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One exchange as it went over the line: the frame written and the number of reply bytes read.
struct Exchange {
    Bytes command;
    std::uint32_t received = 0;
};

// Passes every call on to the real transport and notes what went over the line.
class RecordingComm : public Comm {
  public:
    explicit RecordingComm(Comm& transport) : inner(transport) {}
    void connect(const std::string& port) override { inner.connect(port); }
    void disconnect() override { inner.disconnect(); }
    void send(const unsigned char* data, std::uint32_t* count) override {
        exchanges.push_back({Bytes(data, data + *count), 0});
        inner.send(data, count);
    }
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override {
        const bool received = inner.tryReceive(buffer, count, deadline);
        if (received) {
            exchanges.back().received += *count;
        }
        return received;
    }
    [[noreturn]] void failNoReply() const override {
        inner.failNoReply();
        std::abort();
    }
    std::vector<Exchange> exchanges;

  private:
    Comm& inner;
};

struct Operation {
    const char* name;
    std::function<void(ControllerImpl&)> run;
    std::vector<Exchange> exchanges;  // as recorded
};

double wireFloorMs(const Operation& op) {
    double ms = 0;
    for (const Exchange& e : op.exchanges) {
        ms += static_cast<double>(e.command.size() + e.received) * BYTE_MS;
    }
    return ms;
}

double ptyFloorMs(const Operation& op) {
    double ms = 0;
    for (const Exchange& e : op.exchanges) {
        ms += (e.received - 1) * BYTE_MS;
    }
    return ms;
}

struct Figures {
    std::vector<double> times;
    double cpu = 0;  // per exchange
};

// Runs the mix `rounds` times through the engine with a transport of the given receive.
std::vector<Figures> runMix(const std::string& path, const std::vector<Operation>& mix, int rounds,
                            const Terminator& terminator) {
    CameraDriver::ViscaControllerImpl camera;
    camera.setComm(std::unique_ptr<Comm>(CameraDriver::createComm(terminator)));
    camera.connect(path);
    std::vector<Figures> figures(mix.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double cpuBefore = threadCpuMs();
            const auto start = Clock::now();
            mix[i].run(camera);
            figures[i].times.push_back(msSince(start));
            figures[i].cpu +=
                (threadCpuMs() - cpuBefore) / static_cast<double>(rounds * mix[i].exchanges.size());
        }
    }
    camera.disconnect();
    return figures;
}

// The recorded frames replayed by a bare loop on the terminal: write, then read until as many
// reply bytes as the library read have come.
std::vector<Figures> runBare(const std::string& path, const std::vector<Operation>& mix,
                             int rounds) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (fd < 0 || ::tcgetattr(fd, &raw) != 0) {
        throw std::runtime_error("cannot open " + path);
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    std::vector<Figures> figures(mix.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double cpuBefore = threadCpuMs();
            const auto start = Clock::now();
            for (const Exchange& e : mix[i].exchanges) {
                if (::write(fd, e.command.data(), e.command.size()) !=
                    static_cast<ssize_t>(e.command.size())) {
                    throw std::runtime_error("bare write failed");
                }
                std::uint32_t got = 0;
                unsigned char buffer[64];
                while (got < e.received) {
                    pollfd entry{fd, POLLIN, 0};
                    if (::poll(&entry, 1, 6000) <= 0) {
                        throw std::runtime_error("bare read timed out");
                    }
                    const ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n <= 0 && errno != EINTR) {
                        throw std::runtime_error("bare read failed");
                    }
                    got += n > 0 ? static_cast<std::uint32_t>(n) : 0;
                }
            }
            figures[i].times.push_back(msSince(start));
            figures[i].cpu +=
                (threadCpuMs() - cpuBefore) / static_cast<double>(rounds * mix[i].exchanges.size());
        }
    }
    ::close(fd);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    Camsim::ServerOptions options;
    options.timing.pace9600 = true;
    Camsim::PtyServer server(options);
    double pan = 0, tilt = 0;
    std::vector<Operation> mix = {
        {"moveUp(10)", [](ControllerImpl& c) { c.moveUp(10); }, {}},
        {"stopMove", [](ControllerImpl& c) { c.stopMove(); }, {}},
        {"zoomIn(3)", [](ControllerImpl& c) { c.zoomIn(3); }, {}},
        {"stopZoom", [](ControllerImpl& c) { c.stopZoom(); }, {}},
        {"getPanTilt", [&](ControllerImpl& c) { c.getPanTilt(pan, tilt); }, {}},
        {"getZoom", [](ControllerImpl& c) { c.getZoom(); }, {}},
        {"getPowerState", [](ControllerImpl& c) { c.getPowerState(); }, {}},
        {"setRGain(0x90)", [](ControllerImpl& c) { c.setRGain(0x90); }, {}},
        {"getRGain", [](ControllerImpl& c) { c.getRGain(); }, {}},
    };

    try {
        {
            // One round to learn each operation's traffic.
            const std::unique_ptr<Comm> transport(CameraDriver::createComm(0xFF));
            auto recording = std::make_unique<RecordingComm>(*transport);
            RecordingComm& recorder = *recording;
            CameraDriver::ViscaControllerImpl camera;
            camera.setComm(std::move(recording));
            camera.connect(server.devicePath());
            for (Operation& op : mix) {
                recorder.exchanges.clear();
                op.run(camera);
                op.exchanges = recorder.exchanges;
            }
            camera.disconnect();
        }
        const std::vector<Figures> quiet = runMix(server.devicePath(), mix, rounds, std::nullopt);
        const std::vector<Figures> framed = runMix(server.devicePath(), mix, rounds, 0xFF);
        const std::vector<Figures> bare = runBare(server.devicePath(), mix, rounds);

        std::printf(
            "%d rounds against the virtual camera at 9600 baud; times in ms, CPU per "
            "exchange\n",
            rounds);
        std::printf("%-15s %-26s | %-26s | %-26s | %s\n", "", "          floors",
                    "     quiet-gap receive", "     terminator receive", "terminator");
        std::printf("%-15s %6s %6s %6s %6s | %8s %8s %8s | %8s %8s %8s | %s\n", "operation", "wire",
                    "pty", "bare", "CPU", "median", "p99", "CPU", "median", "p99", "CPU",
                    "above bare");
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double bareMedian = percentile(bare[i].times, 0.5);
            const double median = percentile(framed[i].times, 0.5);
            std::printf(
                "%-15s %6.2f %6.2f %6.2f %6.3f | %8.2f %8.2f %8.3f | %8.2f %8.2f %8.3f | %7.2f\n",
                mix[i].name, wireFloorMs(mix[i]), ptyFloorMs(mix[i]), bareMedian, bare[i].cpu,
                percentile(quiet[i].times, 0.5), percentile(quiet[i].times, 0.99), quiet[i].cpu,
                median, percentile(framed[i].times, 0.99), framed[i].cpu, median - bareMedian);
        }
        std::printf(
            "Goals: terminator median within 1 ms of the floor, CPU < 0.2 ms per "
            "exchange.\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin-bench-mix: %s\n", e.what());
        return 1;
    }
    return 0;
}
