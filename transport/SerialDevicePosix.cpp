// The serial device on POSIX systems: termios for the line, poll for every wait.
//
// How the steps of opening a port map onto POSIX:
//
//   step                   POSIX
//   ---------------------  ----------------------------------------------------------------
//   open the port          open(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC), no O_CREAT;
//                          flock(LOCK_EX | LOCK_NB), then ioctl(TIOCEXCL)
//   discard both queues    tcflush(TCIOFLUSH)
//   queue sizes            no counterpart (the tty layer sizes its own buffers): succeeds
//   read line settings     tcgetattr
//   write line settings    tcsetattr: speed, data bits, parity, stop bits, CREAD | CLOCAL,
//                          raw binary mode, XON/XOFF off; hardware flow control as read
//   time-outs              VMIN = 0, VTIME = 0 through tcsetattr; the inter-byte interval is
//                          kept by read()'s poll loop, the caller's time-out by its deadline
//   message terminator     read()'s poll loop returns as soon as the last byte read is it
//   clear errors           tcflow(TCOON): output held by an XOFF that arrived before software
//                          flow control went off is released
//   close                  ioctl(TIOCNXCL), close (the advisory lock goes with the descriptor)
//
// Pending input is read with a poll that does not wait, until nothing is left: with VMIN and
// VTIME at 0 a read with nothing to give returns 0, which cannot be told from end of file.
//
// How a transfer's failures are reported:
//   poll() fails                                   -> WaitFailed
//   read()/write() fail, or the device is gone     -> StartFailed
//   (POLLHUP/POLLERR, read() returning 0, EIO)
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "transport/RetryEintr.h"
#include "transport/SerialDevice.h"

namespace OS {

namespace {

using Clock = std::chrono::steady_clock;

class UniqueFd {
  public:
    explicit UniqueFd(int descriptor) noexcept : fd(descriptor) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }

    int get() const noexcept { return fd; }
    int release() noexcept { return std::exchange(fd, -1); }

  private:
    int fd;
};

struct Rate {
    std::uint32_t rate;
    speed_t speed;
};

constexpr Rate RATES[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                          {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                          {230400, B230400}, {460800, B460800}, {921600, B921600}};

bool toSpeed(std::uint32_t baudRate, speed_t* speed) {
    for (const Rate& entry : RATES) {
        if (entry.rate == baudRate) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

bool toCharacterSize(int dataBits, tcflag_t* size) {
    switch (dataBits) {
        case 5:
            *size = CS5;
            return true;
        case 6:
            *size = CS6;
            return true;
        case 7:
            *size = CS7;
            return true;
        case 8:
            *size = CS8;
            return true;
        default:
            return false;
    }
}

class PosixSerialDevice final : public SerialDevice {
  public:
    explicit PosixSerialDevice(UniqueFd&& descriptor) : fd(descriptor.release()) {}
    ~PosixSerialDevice() override { release(); }

    bool purge() override {
        return retryEintr([this] { return ::tcflush(fd.get(), TCIOFLUSH); }) == 0;
    }

    bool setQueueSizes(std::uint32_t, std::uint32_t) override { return true; }

    bool readSettings() override {
        settingsRead = retryEintr([this] { return ::tcgetattr(fd.get(), &settings); }) == 0;
        return settingsRead;
    }

    bool writeSettings(const LineSettings& line) override {
        if (!settingsRead) {
            return false;
        }
        termios wanted = settings;
        speed_t speed = B0;
        tcflag_t size = CS8;
        if (!toSpeed(line.baudRate, &speed) || !toCharacterSize(line.dataBits, &size) ||
            (line.stopBits != 1 && line.stopBits != 2)) {
            return false;
        }
        if (::cfsetispeed(&wanted, speed) != 0 || ::cfsetospeed(&wanted, speed) != 0) {
            return false;
        }
        wanted.c_cflag = (wanted.c_cflag & ~CSIZE) | size;
        wanted.c_cflag &= ~(PARENB | PARODD | CSTOPB);
        wanted.c_iflag &= ~INPCK;
        if (line.parity != LineSettings::Parity::None) {
            wanted.c_cflag |= PARENB;
            wanted.c_iflag |= INPCK;
            if (line.parity == LineSettings::Parity::Odd) {
                wanted.c_cflag |= PARODD;
            }
        }
        if (line.stopBits == 2) {
            wanted.c_cflag |= CSTOPB;
        }
        wanted.c_cflag |= CREAD | CLOCAL;
        // Raw binary mode. A terminal's defaults echo, edit lines and translate CR and NL, and
        // XON/XOFF flow control swallows 0x11 and 0x13: VISCA traffic carries all of these
        // bytes. Hardware flow control (not a POSIX flag) stays as the port reported it.
        wanted.c_iflag &=
            ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
        wanted.c_oflag &= ~OPOST;
        wanted.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        if (!apply(wanted)) {
            return false;
        }
        settings = wanted;
        return true;
    }

    bool setTimeouts(const Timeouts& timeouts) override {
        // Transfers here are bounded by the caller's time-out only; total limits would need a
        // second deadline that no caller asks for.
        if (timeouts.readTotalMultiplierMs != 0 || timeouts.readTotalConstantMs != 0 ||
            timeouts.writeTotalMultiplierMs != 0 || timeouts.writeTotalConstantMs != 0) {
            return false;
        }
        termios wanted{};
        if (retryEintr([&] { return ::tcgetattr(fd.get(), &wanted); }) != 0) {
            return false;
        }
        // read() never blocks in the driver: every wait happens in poll.
        wanted.c_cc[VMIN] = 0;
        wanted.c_cc[VTIME] = 0;
        if (!apply(wanted)) {
            return false;
        }
        settings = wanted;
        quietGap = std::chrono::milliseconds(timeouts.readIntervalMs);
        return true;
    }

    bool clearErrors() override {
        return retryEintr([this] { return ::tcflow(fd.get(), TCOON); }) == 0;
    }

    bool close() override { return release(); }

    TransferResult read(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs,
                        std::optional<std::uint8_t> messageTerminator) override {
        const std::uint32_t wanted = *count;
        std::uint32_t got = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const auto end = [&](TransferResult result) {
            *count = got;
            return result;
        };
        while (got < wanted) {
            // Before the first byte the caller's time-out is the limit; after it, a quiet gap
            // ends the read (the burst is complete), still within the caller's time-out.
            const Clock::time_point limit =
                got == 0 ? deadline : std::min(Clock::now() + quietGap, deadline);
            switch (waitUntil(POLLIN, limit)) {
                case Wait::Ready:
                    break;
                case Wait::Expired:
                    return end(got == 0 ? TransferResult::TimedOut : TransferResult::Done);
                case Wait::HungUp:
                    return end(TransferResult::StartFailed);
                case Wait::Failed:
                    return end(TransferResult::WaitFailed);
            }
            const ssize_t n = ::read(fd.get(), buffer + got, wanted - got);
            if (n > 0) {
                got += static_cast<std::uint32_t>(n);
                // A message is complete at its terminator: waiting out the quiet gap as well
                // would only delay the caller. Bytes that follow stay queued for the next read.
                if (messageTerminator && buffer[got - 1] == *messageTerminator) {
                    return end(TransferResult::Done);
                }
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
                // Readiness that yields nothing must not outlast the limit.
                if (Clock::now() >= limit) {
                    return end(got == 0 ? TransferResult::TimedOut : TransferResult::Done);
                }
                continue;
            }
            // End of file on a terminal that poll called readable is a hang-up, as is EIO:
            // the device has gone. Retrying would only spin until the deadline.
            return end(TransferResult::StartFailed);
        }
        return end(TransferResult::Done);
    }

    TransferResult write(const unsigned char* data, std::uint32_t* count,
                         std::uint32_t timeoutMs) override {
        const std::uint32_t wanted = *count;
        std::uint32_t done = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const auto end = [&](TransferResult result) {
            *count = done;
            return result;
        };
        while (done < wanted) {
            const ssize_t n = ::write(fd.get(), data + done, wanted - done);
            if (n > 0) {
                done += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (Clock::now() >= deadline) {
                    return end(TransferResult::TimedOut);
                }
                switch (waitUntil(POLLOUT, deadline)) {
                    case Wait::Ready:
                        continue;
                    case Wait::Expired:
                        return end(TransferResult::TimedOut);
                    case Wait::HungUp:
                        return end(TransferResult::StartFailed);
                    case Wait::Failed:
                        return end(TransferResult::WaitFailed);
                }
            }
            return end(TransferResult::StartFailed);
        }
        return end(TransferResult::Done);
    }

    TransferResult readPending(unsigned char* buffer, std::uint32_t* count) override {
        const std::uint32_t wanted = *count;
        std::uint32_t got = 0;
        const auto end = [&](TransferResult result) {
            *count = got;
            return result;
        };
        while (got < wanted) {
            switch (waitUntil(POLLIN, Clock::now())) {
                case Wait::Ready:
                    break;
                case Wait::Expired:
                case Wait::HungUp:
                    return end(TransferResult::Done);
                case Wait::Failed:
                    return end(TransferResult::WaitFailed);
            }
            const ssize_t n = ::read(fd.get(), buffer + got, wanted - got);
            if (n > 0) {
                got += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            // Nothing more (EAGAIN), or the device is gone (0 or EIO once poll called it
            // readable), which the write that follows reports with its own message.
            if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EIO) {
                return end(TransferResult::Done);
            }
            return end(TransferResult::StartFailed);
        }
        return end(TransferResult::Done);
    }

  private:
    enum class Wait { Ready, Expired, HungUp, Failed };

    // Sleeps in poll until `events` can be served or `limit` passes; a signal resumes the
    // wait with the time that is left.
    Wait waitUntil(short events, Clock::time_point limit) const {
        for (;;) {
            const Clock::duration left = std::max(limit - Clock::now(), Clock::duration::zero());
            // Rounded up, so that the wait never ends just short of the limit and comes back
            // for a string of zero-length polls.
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            pollfd entry{fd.get(), events, 0};
            const int ready =
                ::poll(&entry, 1, static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX)));
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return Wait::Failed;
            }
            if (ready == 0) {
                if (Clock::now() >= limit) {
                    return Wait::Expired;
                }
                continue;
            }
            // Readable or writable wins over a hang-up reported with it: the transfer itself
            // then tells whether bytes are left or the device is gone.
            if ((entry.revents & events) != 0) {
                return Wait::Ready;
            }
            if ((entry.revents & POLLNVAL) != 0) {
                return Wait::Failed;
            }
            return Wait::HungUp;
        }
    }

    // tcsetattr reports success when any one of the changes took, so the result is read back.
    bool apply(const termios& wanted) {
        if (retryEintr([&] { return ::tcsetattr(fd.get(), TCSANOW, &wanted); }) != 0) {
            return false;
        }
        termios now{};
        if (retryEintr([&] { return ::tcgetattr(fd.get(), &now); }) != 0) {
            return false;
        }
        const tcflag_t line = CSIZE | PARENB | PARODD | CSTOPB | CREAD;
        return ::cfgetispeed(&now) == ::cfgetispeed(&wanted) &&
               ::cfgetospeed(&now) == ::cfgetospeed(&wanted) &&
               (now.c_cflag & line) == (wanted.c_cflag & line) &&
               (now.c_iflag & (IXON | IXOFF)) == (wanted.c_iflag & (IXON | IXOFF)) &&
               (now.c_lflag & ICANON) == (wanted.c_lflag & ICANON);
    }

    bool release() noexcept {
        if (fd.get() < 0) {
            return true;
        }
        // The exclusive mode belongs to the terminal, not to this descriptor: when another
        // process keeps the line open (a pseudo-terminal's server, say), the mode would outlive
        // this close and refuse every later open by an unprivileged user. A terminal that has
        // hung up refuses the request; that is no reason to keep the descriptor.
        retryEintr([this] { return ::ioctl(fd.get(), TIOCNXCL); });
        // close() is not retried: on EINTR the descriptor is already gone.
        return ::close(fd.release()) == 0 || errno == EINTR;
    }

    UniqueFd fd;
    termios settings{};
    bool settingsRead = false;
    std::chrono::milliseconds quietGap{20};
};

}  // namespace

const std::vector<std::uint32_t>& lineSpeeds() {
    static const std::vector<std::uint32_t> speeds = [] {
        std::vector<std::uint32_t> rates;
        for (const Rate& entry : RATES) {
            rates.push_back(entry.rate);
        }
        return rates;
    }();
    return speeds;
}

std::string systemPortName(const std::string& port) { return posixDeviceOf(port); }

std::unique_ptr<SerialDevice> openSerialDevice(const std::string& port) {
    const std::string path = systemPortName(port);
    // O_NONBLOCK: neither the open (waiting for carrier) nor any transfer may block; every
    // wait happens in poll with a deadline. No O_CREAT: the port must exist.
    UniqueFd fd(retryEintr(
        [&] { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (fd.get() < 0) {
        return nullptr;
    }
    // Two locks, because each leaves a gap: the terminal's exclusive mode refuses other
    // opens, but not those of a privileged process; the advisory lock holds against anyone
    // who asks for it, this process's other descriptors included. The lock comes first so
    // that a refused open leaves the holder's exclusive mode alone.
    if (retryEintr([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB); }) != 0) {
        return nullptr;
    }
    const int descriptor = fd.get();
    // From here the device owns the descriptor, so that every way out clears the exclusive
    // mode again.
    auto device = std::make_unique<PosixSerialDevice>(std::move(fd));
    // Something that is not a terminal cannot be made exclusive; the steps that follow refuse
    // it with their own messages.
    if (retryEintr([&] { return ::ioctl(descriptor, TIOCEXCL); }) != 0 && errno != ENOTTY) {
        return nullptr;
    }
    return device;
}

}  // namespace OS
