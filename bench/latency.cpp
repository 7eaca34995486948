// Exchange latency over the serial transport. A peer process on a pseudo-terminal answers each
// command at once with an acknowledgement and a completion in one burst; the program runs a
// few hundred exchanges and prints how long each took, how much of that lies above the 20 ms
// quiet gap that ends every read, and the processor time the library spent per exchange.
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
#include <string>
#include <vector>

#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "transport/Comm.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double QUIET_GAP_MS = 20.0;
const unsigned char REPLY[] = {0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF};
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

// The camera: answers every command as soon as its terminator arrives. Ends when the line's
// other side is closed for good.
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

double cpuSeconds() {
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) {
        die("getrusage");
    }
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void measure(const char* label, int exchanges, const std::function<void()>& exchange) {
    exchange();  // warm-up
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(exchanges));
    const double cpuBefore = cpuSeconds();
    for (int i = 0; i < exchanges; ++i) {
        const auto start = Clock::now();
        exchange();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double cpuMs = (cpuSeconds() - cpuBefore) * 1000.0 / exchanges;
    const double median = percentile(times, 0.5);
    const double p99 = percentile(times, 0.99);
    std::printf("%s (%d exchanges)\n", label, exchanges);
    std::printf("  exchange time     median %7.3f ms   p99 %7.3f ms\n", median, p99);
    std::printf("  above 20 ms gap   median %7.3f ms   p99 %7.3f ms   (goal: median < 1 ms)\n",
                median - QUIET_GAP_MS, p99 - QUIET_GAP_MS);
    std::printf("  CPU per exchange  %7.3f ms                     (goal: < 0.2 ms)\n", cpuMs);
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

    try {
        // The transport alone, read as the protocol engine reads: a second receive when the
        // first burst was no more than an acknowledgement.
        {
            const std::unique_ptr<CameraDriver::Comm> comm(CameraDriver::createComm(0xFF));
            comm->connect(path);
            const unsigned char command[] = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
            measure("Comm send + recv", exchanges, [&] {
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
        }
        // The same through the exchange routine, with its logging calls (log switched off).
        {
            CameraDriver::ViscaControllerImpl impl;
            impl.connect(path);
            measure("executeCommand", exchanges, [&] {
                std::uint8_t command[] = {0x80, 0x01, 0x04, 0x00, 0x02, 0xFF};
                impl.executeCommand(command, sizeof command, CameraDriver::ACK_COMPLETION);
            });
            impl.disconnect();
        }
    } catch (const CameraDriver::DriverException& e) {
        std::fprintf(stderr, "quorvin-bench-latency: %s\n", e.what());
        ::close(keeper);
        ::waitpid(camera, nullptr, 0);
        return 1;
    }

    ::close(keeper);
    int status = 0;
    while (::waitpid(camera, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
}
