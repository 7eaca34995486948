// A client end of the virtual camera's line for tests: raw bytes on the pseudo-terminal, with
// poll and time-outs, and nothing from the camera library.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/PtyServer.h"
#include "tests/support/Hex.h"

namespace SimTest {

using Bytes = TestSupport::Bytes;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using TestSupport::hex;
using TestSupport::toHex;

// Camera 1's replies to a command it carries out, and to one it refuses.
inline const char DONE[] = "90 41 FF 90 51 FF";
inline const char SYNTAX_ERROR[] = "90 60 02 FF";

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class Port {
  public:
    explicit Port(const std::string& path) {
        do {
            descriptor = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        } while (descriptor < 0 && errno == EINTR);
        if (descriptor < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
        termios tio{};
        if (::tcgetattr(descriptor, &tio) != 0) fail("tcgetattr");
        ::cfmakeraw(&tio);
        if (::tcsetattr(descriptor, TCSANOW, &tio) != 0) fail("tcsetattr");
    }
    ~Port() {
        if (descriptor >= 0) ::close(descriptor);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    int fd() const { return descriptor; }

    // Sets the line's speed, both ways, as a client of a serial port does.
    void setSpeed(speed_t speed) {
        termios tio{};
        if (::tcgetattr(descriptor, &tio) != 0) fail("tcgetattr");
        if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) fail("cfsetspeed");
        if (::tcsetattr(descriptor, TCSANOW, &tio) != 0) fail("tcsetattr");
    }

    void send(const Bytes& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(descriptor, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd p{descriptor, POLLOUT, 0};
                if (::poll(&p, 1, 2000) <= 0) throw std::runtime_error("line does not take bytes");
                continue;
            }
            if (n < 0) fail("write");
            done += static_cast<std::size_t>(n);
        }
    }
    void send(const std::string& hexText) { send(hex(hexText)); }

    // Reads until count bytes are in or the time-out passes; returns what arrived.
    Bytes read(std::size_t count, milliseconds timeout = milliseconds(2000)) {
        Bytes out;
        const auto deadline = Clock::now() + timeout;
        while (out.size() < count) {
            if (!waitReadable(deadline)) break;
            std::uint8_t buf[256];
            const std::size_t want = std::min(sizeof buf, count - out.size());
            const ssize_t n = ::read(descriptor, buf, want);
            if (n > 0) {
                out.insert(out.end(), buf, buf + n);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                break;
            }
        }
        return out;
    }

    // Reads one frame, up to and including FF.
    Bytes readFrame(milliseconds timeout = milliseconds(2000)) {
        Bytes out;
        const auto deadline = Clock::now() + timeout;
        while (out.empty() || out.back() != 0xFF) {
            if (!waitReadable(deadline)) break;
            std::uint8_t b;
            const ssize_t n = ::read(descriptor, &b, 1);
            if (n == 1) {
                out.push_back(b);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                break;
            }
        }
        return out;
    }

    // Everything that arrives until the line has been quiet for the given time.
    Bytes drain(milliseconds quiet = milliseconds(50)) {
        Bytes out;
        for (;;) {
            Bytes got = read(4096, quiet);
            if (got.empty()) return out;
            out.insert(out.end(), got.begin(), got.end());
        }
    }

    // Reads until the bytes received end with `last` or the time-out passes; returns all of
    // them, `last` included.
    Bytes readThrough(const Bytes& last, milliseconds timeout = milliseconds(3000)) {
        Bytes out;
        const auto deadline = Clock::now() + timeout;
        while (out.size() < last.size() || !std::equal(last.rbegin(), last.rend(), out.rbegin())) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            const Bytes got = read(1, left);
            if (got.empty()) break;
            out.insert(out.end(), got.begin(), got.end());
        }
        return out;
    }

    // Sends a request and collects exactly as many bytes as the expected answer has, then
    // whatever else follows within a short quiet time, so that extra replies show up too.
    Bytes exchange(const Bytes& request, std::size_t expected) {
        send(request);
        Bytes got = read(expected);
        Bytes extra = drain(milliseconds(30));
        got.insert(got.end(), extra.begin(), extra.end());
        return got;
    }

    // True when the far end hangs up within the time-out.
    bool hungUp(milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            pollfd p{descriptor, POLLIN, 0};
            const int r = ::poll(&p, 1, remaining(deadline));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            if (p.revents & POLLHUP) return true;
            std::uint8_t buf[64];
            const ssize_t n = ::read(descriptor, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO)) return true;
        }
    }

  private:
    [[noreturn]] static void fail(const char* what) {
        throw std::system_error(errno, std::generic_category(), what);
    }

    static int remaining(Clock::time_point deadline) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
        return left < 0 ? 0 : static_cast<int>(left);
    }

    bool waitReadable(Clock::time_point deadline) {
        for (;;) {
            pollfd p{descriptor, POLLIN, 0};
            const int r = ::poll(&p, 1, remaining(deadline));
            if (r < 0 && errno == EINTR) continue;
            return r > 0 && (p.revents & POLLIN);
        }
    }

    int descriptor = -1;
};

// The power inquiry to the first camera, which a camera that is on answers at once whatever it
// is doing, and that answer. Sent after a request, it marks the end of what the request brought
// about: a reply that should not have come arrives ahead of the marker's answer however slowly
// the server runs, where a wait for silence gives up before a slow server has sent it.
inline const char MARKER[] = "81 09 04 00 FF";
inline const char MARKER_REPLY[] = "90 50 02 FF";

// A server with its client end, fresh for each case so that no case sees another's state.
struct Line {
    explicit Line(const Camsim::ServerOptions& options)
        : server(options), port(server.devicePath()) {}
    explicit Line(int cameras = 1, Camsim::Fault fault = Camsim::Fault::None)
        : Line(chain(cameras, fault)) {}
    explicit Line(const Camsim::Timing& timing) : Line(timed(timing)) {}

    Camsim::PtyServer server;
    Port port;

    // Once the chain has taken `frames` frames since it started, lifts any fault and sends the
    // marker; returns everything that arrives up to and including the marker's answer.
    Bytes throughMarker(std::uint64_t frames) {
        const auto deadline = Clock::now() + milliseconds(5000);
        while (server.framesReceived() < frames && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        server.setFault(Camsim::Fault::None);
        port.send(MARKER);
        return port.readThrough(hex(MARKER_REPLY));
    }

  private:
    static Camsim::ServerOptions chain(int cameras, Camsim::Fault fault) {
        Camsim::ServerOptions o;
        o.cameras = cameras;
        o.fault = fault;
        return o;
    }
    static Camsim::ServerOptions timed(const Camsim::Timing& timing) {
        Camsim::ServerOptions o;
        o.timing = timing;
        return o;
    }
};

}  // namespace SimTest
