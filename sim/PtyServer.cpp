#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <system_error>
#include <utility>

namespace camsim {

namespace {

// One start bit, eight data bits and one stop bit at 9600 baud.
constexpr std::chrono::nanoseconds kByteTime{1041667};

// Replies that a client does not read pile up here; beyond this they are dropped.
constexpr std::size_t kMaxQueued = 64 * 1024;

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

int pollTimeout(std::optional<TimePoint> deadline) {
    if (!deadline) return -1;
    const auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Round up: waking early would only lead to another, shorter wait.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

}  // namespace

PtyServer::PtyServer(const ServerOptions& options)
    : chain_(options.cameras),
      cameraCount_(chain_.size()),
      log_(options.log),
      started_(Clock::now()) {
    chain_.setTiming(options.timing);
    chain_.setFault(options.fault);
    chain_.setRecording(static_cast<bool>(log_));

    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!master_) fail("posix_openpt");
    setFlags(master_.get(), O_NONBLOCK);
    if (::grantpt(master_.get()) != 0) fail("grantpt");
    if (::unlockpt(master_.get()) != 0) fail("unlockpt");
    {
        std::lock_guard<std::mutex> lock(ptsnameMutex);
        const char* name = ::ptsname(master_.get());
        if (name == nullptr) fail("ptsname");
        path_ = name;
    }

    int fd;
    do {
        fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail("open pseudo-terminal");
    slave_.reset(fd);

    clients_.emplace(path_);

    termios tio{};
    if (::tcgetattr(slave_.get(), &tio) != 0) fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0) fail("cfsetspeed");
    if (::tcsetattr(slave_.get(), TCSANOW, &tio) != 0) fail("tcsetattr");

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) fail("pipe");
    wakeRead_.reset(pipeFds[0]);
    wakeWrite_.reset(pipeFds[1]);
    setFlags(wakeRead_.get(), O_NONBLOCK);
    setFlags(wakeWrite_.get(), O_NONBLOCK);

    running_ = true;
    thread_ = std::thread(&PtyServer::run, this);
}

PtyServer::~PtyServer() { stop(); }

void PtyServer::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake();
    if (thread_.joinable()) thread_.join();
}

void PtyServer::wake() {
    const char b = 1;
    ssize_t n;
    do {
        n = ::write(wakeWrite_.get(), &b, 1);
    } while (n < 0 && errno == EINTR);
    // EAGAIN means a wake-up is already pending, which is all that is needed.
}

void PtyServer::setFault(Fault fault) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chain_.setFault(fault);
    }
    wake();
}

Fault PtyServer::fault() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_.fault();
}

void PtyServer::setTiming(const Timing& timing) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chain_.setTiming(timing);
    }
    wake();
}

Timing PtyServer::timing() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_.timing();
}

CameraState PtyServer::camera(int position) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_.state(position, Clock::now());
}

void PtyServer::setCamera(int position, const CameraState& state) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chain_.setState(position, state, Clock::now());
    }
    wake();
    notifyChange();
}

Bytes PtyServer::lastCommand(int position) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_.lastCommand(position);
}

void PtyServer::setChangeListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(listenerMutex_);
    listener_ = std::move(listener);
}

void PtyServer::notifyChange() {
    std::lock_guard<std::mutex> lock(listenerMutex_);
    if (listener_) listener_();
}

std::uint64_t PtyServer::framesReceived() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_.framesReceived();
}

std::size_t PtyServer::unreadReplyBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int queued = 0;
    // The terminal side's input queue is what a client reads; bytes still on their way from
    // this side are not in it yet.
    if (!slave_ || ::ioctl(slave_.get(), FIONREAD, &queued) != 0 || queued < 0) return 0;
    return static_cast<std::size_t>(queued);
}

bool PtyServer::lineOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lineOpen_;
}

void PtyServer::hangUp() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!lineOpen_) return;
    if (!running_) {
        // No thread to hand the job to: the descriptors are ours alone now.
        lock.unlock();
        closeLine();
        return;
    }
    hangupAsked_ = true;
    lock.unlock();
    wake();
    lock.lock();
    lineClosed_.wait(lock, [this] { return !lineOpen_; });
}

void PtyServer::closeLine() {
    {
        // Closed under the lock so that nobody who has seen the hang-up can still find the
        // line open.
        std::lock_guard<std::mutex> lock(mutex_);
        master_.reset();
        slave_.reset();
        lineOpen_ = false;
        hangupAsked_ = false;
    }
    lineClosed_.notify_all();
}

std::string PtyServer::stamp(TimePoint when) const {
    char text[32];
    std::snprintf(text, sizeof text, "%12.6f",
                  std::chrono::duration<double>(when - started_).count());
    return text;
}

void PtyServer::emitLog(const std::vector<LineRecord>& records) const {
    if (!log_) return;
    for (const LineRecord& r : records) {
        std::string line = stamp(r.time) + (r.received ? " rx" : " tx");
        for (std::uint8_t b : r.bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", b);
            line += hex;
        }
        log_(line);
    }
}

void PtyServer::releasePort() {
    // Exclusive mode would otherwise outlive its client, since our own handle keeps the terminal
    // alive, and lock out every later client but root.
    int rc;
    do {
        rc = ::ioctl(slave_.get(), TIOCNXCL);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0 && log_)
        log_(stamp(Clock::now()) + " cannot end exclusive mode: " + std::strerror(errno));
    // Replies that the client left unread go with it.
    if (::tcflush(slave_.get(), TCIFLUSH) != 0 && log_) {
        log_(stamp(Clock::now()) + " cannot flush the line: " + std::strerror(errno));
    }
}

void PtyServer::run() {
    try {
        serve();
    } catch (const std::exception& failure) {
        if (log_) log_(std::string("virtual camera stopped: ") + failure.what());
        // A server that can no longer answer must not leave a line that looks alive.
        if (master_) closeLine();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
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
        bool paced = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
            due = chain_.takeDue(now);
            hangup = chain_.takeHangupRequest() || hangupAsked_;
            paced = chain_.timing().pace9600;
            nextDue = chain_.nextDue();
            records = chain_.takeRecords();
        }
        emitLog(records);

        if (hangup && master_) {
            closeLine();
            if (log_) log_(stamp(Clock::now()) + " line closed");
        }
        if (hangup) out.clear();

        if (master_ && !clients_->anyClient()) {
            // Nobody has the port open: what a camera sends now is lost, as on a real line.
            out.clear();
        } else if (master_) {
            // A paced burst starts now; a reply queued behind one keeps the running schedule.
            if (out.empty()) nextByte = std::max(nextByte, now);
            for (const Bytes& piece : due) {
                if (out.size() + piece.size() <= kMaxQueued) {
                    out.insert(out.end(), piece.begin(), piece.end());
                }
            }
            while (!out.empty() && !writeBlocked && (!paced || nextByte <= now)) {
                std::uint8_t chunk[512];
                const std::size_t count = paced ? 1 : std::min(out.size(), sizeof chunk);
                std::copy_n(out.begin(), count, chunk);
                const ssize_t n = ::write(master_.get(), chunk, count);
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
                if (paced) nextByte += kByteTime;
            }
        }

        std::optional<TimePoint> deadline = nextDue;
        if (master_ && paced && !out.empty() && !writeBlocked) {
            deadline = deadline ? std::min(*deadline, nextByte) : nextByte;
        }

        // Unused entries keep fd -1, which poll skips.
        pollfd fds[3] = {{wakeRead_.get(), POLLIN, 0}, {-1, 0, 0}, {-1, 0, 0}};
        if (master_) {
            fds[1].fd = master_.get();
            fds[1].events = static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0));
            fds[2].fd = clients_->fd();
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
            while (::read(wakeRead_.get(), drain, sizeof drain) > 0) {
            }
        }
        // Before the line's bytes: a client that opened and wrote at once must count as present
        // when its reply is written.
        if ((fds[2].revents & POLLIN) && clients_->lastClientLeft() && slave_) {
            releasePort();
            out.clear();
        }
        if (fds[1].fd < 0) continue;

        const short revents = fds[1].revents;
        if (revents & POLLOUT) writeBlocked = false;
        if (revents & POLLIN) {
            bool received = false;
            for (;;) {
                const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    chain_.receive(buffer, static_cast<std::size_t>(n), Clock::now());
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

}  // namespace camsim
