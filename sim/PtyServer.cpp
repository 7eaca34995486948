#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "sim/PollDeadline.h"

namespace Camsim {

namespace {

// One start bit, eight data bits and one stop bit at `baud`.
std::chrono::nanoseconds byteTime(int baud) {
    return std::chrono::nanoseconds(10000000000LL / baud);
}

// The terminal's code for one of LINE_SPEEDS.
speed_t speedCode(int baud) {
    switch (baud) {
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

// The speed in baud that a terminal code stands for; 0 for one the camera never runs at.
int baudOf(speed_t code) {
    for (int baud : LINE_SPEEDS) {
        if (speedCode(baud) == code) return baud;
    }
    return 0;
}

// Replies that a client does not read pile up here; beyond this they are dropped.
constexpr std::size_t MAX_QUEUED = 64 * 1024;
// How much stray bytes a flooded line is topped up with at a time.
constexpr std::size_t STRAY_CHUNK = 1024;

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void setFlags(int fd, int statusFlags) {
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl | statusFlags) < 0) fail("fcntl(F_SETFL)");
    const int fdfl = ::fcntl(fd, F_GETFD);
    if (fdfl < 0 || ::fcntl(fd, F_SETFD, fdfl | FD_CLOEXEC) < 0) fail("fcntl(F_SETFD)");
}

// ptsname uses one static buffer per process; servers may be built on several threads.
std::mutex ptsnameMutex;

std::vector<std::shared_ptr<const Model>> chainModels(const ServerOptions& options) {
    if (options.models.empty()) {
        return std::vector<std::shared_ptr<const Model>>(
            static_cast<std::size_t>(std::max(options.cameras, 0)),
            std::make_shared<const Model>(options.model));
    }
    std::vector<std::shared_ptr<const Model>> models;
    for (const Model& model : options.models) {
        models.push_back(std::make_shared<const Model>(model));
    }
    return models;
}

}  // namespace

PtyServer::PtyServer(const ServerOptions& options)
    : chain(chainModels(options)),
      chainSize(chain.size()),
      lineSpeed(options.model.lineSpeed),
      logger(options.log),
      startedAt(Clock::now()) {
    if (!supportedLineSpeed(lineSpeed)) {
        throw std::invalid_argument("no line speed of " + std::to_string(lineSpeed) + " baud");
    }
    chain.setTiming(options.timing);
    chain.setFault(options.fault);
    chain.setChatter(options.chatter);
    chain.setRecording(static_cast<bool>(logger));

    master.reset(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!master) fail("posix_openpt");
    setFlags(master.get(), O_NONBLOCK);
    if (::grantpt(master.get()) != 0) fail("grantpt");
    if (::unlockpt(master.get()) != 0) fail("unlockpt");
    {
        std::lock_guard<std::mutex> lock(ptsnameMutex);
        const char* name = ::ptsname(master.get());
        if (name == nullptr) fail("ptsname");
        path = name;
    }

    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail("open pseudo-terminal");
    slave.reset(fd);

    clients.emplace(path);

    termios tio{};
    if (::tcgetattr(slave.get(), &tio) != 0) fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    // The line starts at the camera's speed, so a client that leaves the speed alone is
    // understood; one that sets another speed is not (see clientSpeed).
    const speed_t speed = speedCode(lineSpeed);
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) fail("cfsetspeed");
    if (::tcsetattr(slave.get(), TCSANOW, &tio) != 0) fail("tcsetattr");

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) fail("pipe");
    wakeRead.reset(pipeFds[0]);
    wakeWrite.reset(pipeFds[1]);
    setFlags(wakeRead.get(), O_NONBLOCK);
    setFlags(wakeWrite.get(), O_NONBLOCK);

    running = true;
    thread = std::thread(&PtyServer::run, this);

    if (options.network.tcpPort || options.network.udpPort) {
        NetworkServer::Hooks hooks;
        hooks.emitRecords = [this] {
            std::vector<LineRecord> records;
            {
                std::lock_guard<std::mutex> lock(mutex);
                records = chain.takeRecords();
            }
            emitLog(records);
        };
        if (logger) {
            hooks.note = [this](const std::string& what) {
                writeLog(stamp(Clock::now()) + " net " + what);
            };
        }
        hooks.changed = [this] { notifyChange(); };
        try {
            network = std::make_unique<NetworkServer>(options.network, mutex, chain, hooks);
        } catch (...) {
            stop();
            throw;
        }
    }
}

PtyServer::~PtyServer() { stop(); }

void PtyServer::stop() {
    if (network) network->stop();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake();
    if (thread.joinable()) thread.join();
}

void PtyServer::setNetworkFault(const NetworkFaultPlan& plan) {
    if (network) network->setFault(plan);
}

void PtyServer::wake() {
    if (network) network->wake();
    const char b = 1;
    ssize_t n;
    do {
        n = ::write(wakeWrite.get(), &b, 1);
    } while (n < 0 && errno == EINTR);
    // EAGAIN means a wake-up is already pending, which is all that is needed.
}

void PtyServer::setFault(Fault fault) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        chain.setFault(fault);
    }
    wake();
}

Fault PtyServer::fault() const {
    std::lock_guard<std::mutex> lock(mutex);
    return chain.fault();
}

void PtyServer::setTiming(const Timing& timing) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        chain.setTiming(timing);
    }
    wake();
}

void PtyServer::setChatter(const Chatter& chatter) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        chain.setChatter(chatter);
    }
    wake();
}

Timing PtyServer::timing() const {
    std::lock_guard<std::mutex> lock(mutex);
    return chain.timing();
}

CameraState PtyServer::camera(int position) const {
    std::lock_guard<std::mutex> lock(mutex);
    return chain.state(position, Clock::now());
}

void PtyServer::setCamera(int position, const CameraState& state) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        chain.setState(position, state, Clock::now());
    }
    wake();
    notifyChange();
}

Bytes PtyServer::lastCommand(int position) const {
    std::lock_guard<std::mutex> lock(mutex);
    return chain.lastCommand(position);
}

void PtyServer::setChangeListener(std::function<void()> onChange) {
    std::lock_guard<std::mutex> lock(listenerMutex);
    listener = std::move(onChange);
}

void PtyServer::notifyChange() {
    std::lock_guard<std::mutex> lock(listenerMutex);
    if (listener) listener();
}

std::uint64_t PtyServer::framesReceived() const {
    std::lock_guard<std::mutex> lock(mutex);
    return chain.framesReceived();
}

std::uint64_t PtyServer::bytesNotUnderstood() const {
    std::lock_guard<std::mutex> lock(mutex);
    return misunderstood;
}

std::size_t PtyServer::unreadReplyBytes() const {
    std::lock_guard<std::mutex> lock(mutex);
    int queued = 0;
    // The terminal side's input queue is what a client reads; bytes still on their way from
    // this side are not in it yet.
    if (!slave || ::ioctl(slave.get(), FIONREAD, &queued) != 0 || queued < 0) return 0;
    return static_cast<std::size_t>(queued);
}

bool PtyServer::lineOpen() const {
    std::lock_guard<std::mutex> lock(mutex);
    return lineIsOpen;
}

void PtyServer::hangUp() {
    std::unique_lock<std::mutex> lock(mutex);
    if (!lineIsOpen) return;
    if (!running) {
        // No thread to hand the job to: the descriptors are ours alone now.
        lock.unlock();
        closeLine();
        return;
    }
    hangupAsked = true;
    lock.unlock();
    wake();
    lock.lock();
    lineClosed.wait(lock, [this] { return !lineIsOpen; });
}

void PtyServer::closeLine() {
    {
        // Closed under the lock so that nobody who has seen the hang-up can still find the
        // line open.
        std::lock_guard<std::mutex> lock(mutex);
        master.reset();
        slave.reset();
        lineIsOpen = false;
        hangupAsked = false;
    }
    lineClosed.notify_all();
}

std::string PtyServer::stamp(TimePoint when) const {
    char text[32];
    std::snprintf(text, sizeof text, "%12.6f",
                  std::chrono::duration<double>(when - startedAt).count());
    return text;
}

void PtyServer::writeLog(const std::string& line) {
    if (!logger) return;
    std::lock_guard<std::mutex> lock(logMutex);
    logger(line);
}

void PtyServer::emitLog(const std::vector<LineRecord>& records) {
    if (!logger) return;
    std::lock_guard<std::mutex> lock(logMutex);
    for (const LineRecord& r : records) {
        std::string line = stamp(r.time) + (r.network ? " net" : "") + (r.received ? " rx" : " tx");
        for (std::uint8_t b : r.bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", b);
            line += hex;
        }
        if (r.omitted > 0) line += " ... and " + std::to_string(r.omitted) + " bytes more";
        logger(line);
    }
}

void PtyServer::releasePort() {
    // Exclusive mode would otherwise outlive its client, since our own handle keeps the terminal
    // alive, and lock out every later client but root.
    int rc;
    do {
        rc = ::ioctl(slave.get(), TIOCNXCL);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        writeLog(stamp(Clock::now()) + " cannot end exclusive mode: " + std::strerror(errno));
    // Replies that the client left unread go with it.
    if (::tcflush(slave.get(), TCIFLUSH) != 0) {
        writeLog(stamp(Clock::now()) + " cannot flush the line: " + std::strerror(errno));
    }
}

int PtyServer::clientSpeed() const {
    // The terminal's settings belong to the terminal, not to one descriptor: what a client sets
    // on its own descriptor is read back here on ours.
    termios tio{};
    if (!slave || ::tcgetattr(slave.get(), &tio) != 0) return lineSpeed;
    const int out = baudOf(::cfgetospeed(&tio));
    const speed_t in = ::cfgetispeed(&tio);
    // An input speed of 0 means "as the output speed".
    if (in != B0 && in != ::cfgetospeed(&tio)) return 0;
    return out;
}

void PtyServer::run() {
    try {
        serve();
    } catch (const std::exception& failure) {
        writeLog(std::string("virtual camera stopped: ") + failure.what());
        // A server that can no longer answer must not leave a line that looks alive.
        if (master) closeLine();
    }
    std::lock_guard<std::mutex> lock(mutex);
    running = false;
}

void PtyServer::serve() {
    std::deque<std::uint8_t> out;
    TimePoint nextByte{};
    bool writeBlocked = false;
    std::uint8_t buffer[256];

    for (;;) {
        TimePoint now = Clock::now();
        std::vector<Bytes> due;
        std::vector<LineRecord> records;
        std::optional<TimePoint> nextDue;
        bool hangup = false;
        Clock::duration interval{};  // between the bytes sent; none: as fast as the line takes
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) return;
            due = chain.takeDue(now);
            hangup = chain.takeHangupRequest() || hangupAsked;
            const Timing& timing = chain.timing();
            interval = std::max<Clock::duration>(
                timing.pace9600 ? byteTime(lineSpeed) : Clock::duration::zero(), timing.bytePause);
            nextDue = chain.nextDue();
            records = chain.takeRecords();
            // A line flooded with stray bytes gets more whenever it runs low.
            if (chain.lineEndless() && master && clients->anyClient() && out.size() < STRAY_CHUNK) {
                due.push_back(chain.strayChunk(STRAY_CHUNK));
            }
        }
        const bool paced = interval > Clock::duration::zero();
        emitLog(records);

        if (hangup && master) {
            closeLine();
            writeLog(stamp(Clock::now()) + " line closed");
        }
        if (hangup) out.clear();

        if (master && !clients->anyClient()) {
            // Nobody has the port open: what a camera sends now is lost, as on a real line.
            out.clear();
        } else if (master) {
            // A paced burst starts now; a reply queued behind one keeps the running schedule.
            if (out.empty()) nextByte = std::max(nextByte, now);
            for (const Bytes& piece : due) {
                // Only a client that stopped reading loses replies: a long burst of stray bytes
                // and what follows it are taken whole while the line takes bytes.
                if (out.size() <= MAX_QUEUED || !writeBlocked) {
                    out.insert(out.end(), piece.begin(), piece.end());
                }
            }
            while (!out.empty() && !writeBlocked && (!paced || nextByte <= now)) {
                std::uint8_t chunk[512];
                const std::size_t count = paced ? 1 : std::min(out.size(), sizeof chunk);
                std::copy_n(out.begin(), count, chunk);
                const ssize_t n = ::write(master.get(), chunk, count);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    writeBlocked = true;
                    break;
                }
                if (n < 0) {
                    closeLine();
                    out.clear();
                    break;
                }
                out.erase(out.begin(), out.begin() + n);
                if (paced) nextByte += interval;
            }
        }

        std::optional<TimePoint> deadline = nextDue;
        if (master && paced && !out.empty() && !writeBlocked) {
            deadline = deadline ? std::min(*deadline, nextByte) : nextByte;
        }
        // A flooded line that still takes bytes is topped up again at once.
        if (master && !writeBlocked && (!paced || out.empty()) && out.size() < STRAY_CHUNK) {
            std::lock_guard<std::mutex> lock(mutex);
            if (chain.lineEndless() && clients->anyClient()) deadline = now;
        }

        // Unused entries keep fd -1, which poll skips.
        pollfd fds[3] = {{wakeRead.get(), POLLIN, 0}, {-1, 0, 0}, {-1, 0, 0}};
        if (master) {
            fds[1].fd = master.get();
            fds[1].events = static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0));
            fds[2].fd = clients->fd();
            fds[2].events = POLLIN;
        }
        const int ready = ::poll(fds, 3, pollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            fail("poll");
        }
        if (ready == 0) continue;

        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead.get(), drain, sizeof drain) > 0) {
            }
        }
        // Before the line's bytes: a client that opened and wrote at once must count as present
        // when its reply is written.
        if ((fds[2].revents & POLLIN) && clients->lastClientLeft() && slave) {
            releasePort();
            out.clear();
            std::lock_guard<std::mutex> lock(mutex);
            chain.endEndless();
        }
        if (fds[1].fd < 0) continue;

        const short revents = fds[1].revents;
        if (revents & POLLOUT) writeBlocked = false;
        if (revents & POLLIN) {
            bool received = false;
            for (;;) {
                const ssize_t n = ::read(master.get(), buffer, sizeof buffer);
                if (n > 0) {
                    const int speed = clientSpeed();
                    if (speed != lineSpeed) {
                        // A camera on a line at another speed than its own reads nothing but
                        // framing errors: no frame, so no answer.
                        writeLog(stamp(Clock::now()) + " " + std::to_string(n) +
                                 " bytes not understood: the client's line runs at " +
                                 (speed == 0 ? std::string("another speed")
                                             : std::to_string(speed) + " baud") +
                                 ", the camera's at " + std::to_string(lineSpeed));
                        std::lock_guard<std::mutex> lock(mutex);
                        misunderstood += static_cast<std::uint64_t>(n);
                        continue;
                    }
                    std::lock_guard<std::mutex> lock(mutex);
                    chain.receive(buffer, static_cast<std::size_t>(n), Clock::now());
                    received = true;
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
                // End of file or an error on the controlling side: the line is gone, and
                // polling it again would only report the same thing at full speed.
                closeLine();
                out.clear();
                break;
            }
            if (received) notifyChange();
        } else if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
            closeLine();
            out.clear();
        }
    }
}

}  // namespace Camsim
