// Exchange latency over the serial transport, with the receive that ends on the 20 ms quiet
// gap and with the one that ends at the frame terminator, side by side. A peer process on a
// pseudo-terminal plays the camera: it answers a command at once with an acknowledgement and a
// completion in one burst, and an inquiry after 100 ms. For each receive the program prints the
// median and 99th percentile time per exchange, the processor time the library's thread spent
// per exchange, and the physical floor.
//
//   quorvin-bench-latency [exchanges]      (default 300)
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/Statistics.h"
#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "transport/Comm.h"

namespace {

using Bench::percentile;
using Clock = std::chrono::steady_clock;
using Terminator = std::optional<std::uint8_t>;

constexpr double BYTE_MS = 10.0 * 1000.0 / 9600.0;
constexpr int INQUIRY_DELAY_MS = 100;
const unsigned char REPLY[] = {0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF};
const unsigned char INQUIRY_REPLY[] = {0x90, 0x50, 0x02, 0xFF};
const unsigned char ADDRESS_SET_REPLY[] = {0x88, 0x30, 0x02, 0xFF};

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "quorvin-bench-latency: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

bool writeAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The camera: answers every command as soon as its terminator arrives, and every inquiry
// INQUIRY_DELAY_MS later. Ends when the line's other side is closed for good.
[[noreturn]] void playCamera(int controller) {
    std::vector<unsigned char> command;
    unsigned char chunk[64];
    for (;;) {
        pollfd entry{controller, POLLIN, 0};
        const int ready = ::poll(&entry, 1, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (entry.revents & POLLIN) == 0) {
            ::_exit(0);
        }
        const ssize_t n = ::read(controller, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::_exit(0);
        }
        for (ssize_t i = 0; i < n; ++i) {
            command.push_back(chunk[i]);
            if (chunk[i] != 0xFF) {
                continue;
            }
            bool sent = false;
            if (command.size() >= 2 && command[0] == 0x88 && command[1] == 0x30) {
                sent = writeAll(controller, ADDRESS_SET_REPLY, sizeof ADDRESS_SET_REPLY);
            } else if (command[0] == 0x88) {
                sent = writeAll(controller, command.data(), command.size());  // IF_Clear
            } else if (command.size() >= 2 && command[1] == 0x09) {
                ::usleep(INQUIRY_DELAY_MS * 1000);
                sent = writeAll(controller, INQUIRY_REPLY, sizeof INQUIRY_REPLY);
            } else {
                sent = writeAll(controller, REPLY, sizeof REPLY);
            }
            if (!sent) {
                ::_exit(0);
            }
            command.clear();
        }
    }
}

// Processor time of the calling thread only: the library runs on it, the camera elsewhere.
double cpuMs() {
    rusage usage{};
    if (::getrusage(RUSAGE_THREAD, &usage) != 0) {
        die("getrusage");
    }
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Figures {
    double median;
    double p99;
    double cpu;  // per exchange
};

Figures measure(int exchanges, const std::function<void()>& exchange) {
    exchange();  // warm-up
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(exchanges));
    const double cpuBefore = cpuMs();
    for (int i = 0; i < exchanges; ++i) {
        const auto start = Clock::now();
        exchange();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return {percentile(times, 0.5), percentile(times, 0.99), (cpuMs() - cpuBefore) / exchanges};
}

struct Case {
    const char* name;
    int exchanges;
    // Bytes of the command and of the reply, and the camera's own delay before it answers.
    int sent;
    int received;
    int cameraDelayMs;
    std::function<Figures(const Terminator&, int)> run;
};

// The transport alone, read as the protocol engine reads: a second receive when the first
// burst was no more than an acknowledgement.
Figures commExchanges(const std::string& path, const Terminator& terminator, int exchanges) {
    const std::unique_ptr<CameraDriver::Comm> comm(CameraDriver::createComm(terminator));
    comm->connect(path);
    const unsigned char command[] = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
    const Figures figures = measure(exchanges, [&] {
        std::uint32_t count = sizeof command;
        comm->send(command, &count);
        unsigned char reply[16];
        count = sizeof reply;
        comm->recv(reply, &count);
        if (count <= 3) {
            std::uint32_t more = sizeof reply - count;
            comm->recv(reply + count, &more);
        }
    });
    comm->disconnect();
    return figures;
}

// The same through the exchange routine, with its logging calls (log switched off).
Figures engineExchanges(const std::string& path, const Terminator& terminator, int exchanges,
                        bool inquiry) {
    CameraDriver::ViscaControllerImpl impl;
    impl.setComm(std::unique_ptr<CameraDriver::Comm>(CameraDriver::createComm(terminator)));
    impl.connect(path);
    const Figures figures = measure(exchanges, [&] {
        if (inquiry) {
            std::uint8_t command[] = {0x80, 0x09, 0x04, 0x00, 0xFF};
            impl.executeCommand(command, sizeof command, CameraDriver::INQUIRY);
        } else {
            std::uint8_t command[] = {0x80, 0x01, 0x04, 0x00, 0x02, 0xFF};
            impl.executeCommand(command, sizeof command, CameraDriver::ACK_COMPLETION);
        }
    });
    impl.disconnect();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;

    const int controller = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0 || ::grantpt(controller) != 0 || ::unlockpt(controller) != 0) {
        die("posix_openpt");
    }
    const std::string path = ::ptsname(controller);
    // Keeps the line in existence between the transport's opens, so the peer never sees a
    // hang-up until the end.
    const int keeper = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (keeper < 0) {
        die("open pseudo-terminal");
    }
    const pid_t camera = ::fork();
    if (camera < 0) {
        die("fork");
    }
    if (camera == 0) {
        ::close(keeper);
        playCamera(controller);
    }
    ::close(controller);

    const std::vector<Case> cases = {
        {"Comm send + recv", exchanges, 6, 6, 0,
         [&](const Terminator& t, int n) { return commExchanges(path, t, n); }},
        {"executeCommand", exchanges, 6, 6, 0,
         [&](const Terminator& t, int n) { return engineExchanges(path, t, n, false); }},
        {"inquiry, 100 ms wait", std::max(1, exchanges / 15), 5, 4, INQUIRY_DELAY_MS,
         [&](const Terminator& t, int n) { return engineExchanges(path, t, n, true); }},
    };

    int status = 0;
    try {
        std::printf(
            "Exchanges over a pseudo-terminal; times in ms, CPU = processor time of the\n"
            "library's thread per exchange. Goals: terminator median < 1 ms above the\n"
            "floor, CPU < 0.2 ms, no CPU while waiting (the 100 ms case).\n\n");
        std::printf("%-21s %5s %9s | %-26s | %-26s\n", "", "", "", "      quiet-gap receive",
                    "      terminator receive");
        std::printf("%-21s %5s %9s | %8s %8s %8s | %8s %8s %8s\n", "exchange", "count", "floor",
                    "median", "p99", "CPU", "median", "p99", "CPU");
        for (const Case& c : cases) {
            const Figures quiet = c.run(std::nullopt, c.exchanges);
            const Figures framed = c.run(0xFF, c.exchanges);
            std::printf("%-21s %5d %9.3f | %8.3f %8.3f %8.3f | %8.3f %8.3f %8.3f\n", c.name,
                        c.exchanges, static_cast<double>(c.cameraDelayMs), quiet.median, quiet.p99,
                        quiet.cpu, framed.median, framed.p99, framed.cpu);
        }
        std::printf(
            "\nfloor: a pseudo-terminal carries the bytes at once, so only the camera's "
            "own delay;\n");
        for (const Case& c : cases) {
            std::printf(
                "  on a 9600-baud line %-21s would need %6.2f ms (%d + %d bytes at 10 "
                "bits, + %d ms)\n",
                c.name, (c.sent + c.received) * BYTE_MS + c.cameraDelayMs, c.sent, c.received,
                c.cameraDelayMs);
        }
    } catch (const CameraDriver::DriverException& e) {
        std::fprintf(stderr, "quorvin-bench-latency: %s\n", e.what());
        status = 1;
    }

    ::close(keeper);
    while (::waitpid(camera, nullptr, 0) < 0 && errno == EINTR) {
    }
    return status;
}
