// Network sockets on POSIX systems: getaddrinfo to resolve, non-blocking sockets, poll for
// every wait.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "transport/AddressList.h"
#include "transport/RetryEintr.h"
#include "transport/Socket.h"

namespace OS {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Polls one descriptor for `events` until the deadline; -1 on failure, 0 on time-out.
int pollUntil(int fd, short events, Clock::time_point deadline, short* revents) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready == -1 && errno == EINTR) {
            continue;
        }
        *revents = entry.revents;
        return ready;
    }
}

class PosixSocket final : public Socket {
  public:
    PosixSocket(int descriptor, SocketKind socketKind, const sockaddr* address,
                socklen_t addressLength)
        : fd(descriptor), kind(socketKind), peerLength(addressLength) {
        std::memcpy(&peer, address, addressLength);
    }
    ~PosixSocket() override { ::close(fd); }

    bool waitReadable(std::uint32_t timeoutMs, bool* ready) override {
        short revents = 0;
        const int result =
            pollUntil(fd, POLLIN, Clock::now() + std::chrono::milliseconds(timeoutMs), &revents);
        *ready = result > 0;
        return result >= 0;
    }

    ReceiveResult receive(unsigned char* buffer, std::size_t capacity,
                          std::size_t* count) override {
        *count = 0;
        if (kind == SocketKind::Stream) {
            const ssize_t got = retryEintr([&] { return ::recv(fd, buffer, capacity, 0); });
            if (got == 0) {
                return ReceiveResult::Closed;
            }
            if (got < 0) {
                return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveResult::Data
                                                               : ReceiveResult::Failed;
            }
            *count = static_cast<std::size_t>(got);
            return ReceiveResult::Data;
        }
        sockaddr_storage source{};
        socklen_t sourceLength = sizeof source;
        msghdr message{};
        iovec part{buffer, capacity};
        message.msg_name = &source;
        message.msg_namelen = sourceLength;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        const ssize_t got = retryEintr([&] { return ::recvmsg(fd, &message, 0); });
        if (got < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveResult::Data
                                                           : ReceiveResult::Failed;
        }
        sourceLength = message.msg_namelen;
        if (sourceLength != peerLength || std::memcmp(&source, &peer, peerLength) != 0) {
            return ReceiveResult::Foreign;
        }
        if ((message.msg_flags & MSG_TRUNC) != 0) {
            return ReceiveResult::Oversized;
        }
        *count = static_cast<std::size_t>(got);
        return ReceiveResult::Data;
    }

    bool send(const unsigned char* data, std::size_t count, std::uint32_t timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::size_t sent = 0;
        while (sent < count || (count == 0 && sent == 0 && kind == SocketKind::Datagram)) {
            const ssize_t put = retryEintr([&] {
                return kind == SocketKind::Stream
                           ? ::send(fd, data + sent, count - sent, MSG_NOSIGNAL)
                           : ::sendto(fd, data, count, MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&peer), peerLength);
            });
            if (put >= 0) {
                if (kind == SocketKind::Datagram) {
                    return static_cast<std::size_t>(put) == count;
                }
                sent += static_cast<std::size_t>(put);
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                return false;
            }
            short revents = 0;
            if (pollUntil(fd, POLLOUT, deadline, &revents) <= 0 ||
                (revents & (POLLERR | POLLHUP)) != 0) {
                return false;
            }
        }
        return true;
    }

  private:
    int fd;
    SocketKind kind;
    sockaddr_storage peer{};
    socklen_t peerLength;
};

// Connects a non-blocking stream socket within the deadline.
OpenFailure connectStream(int fd, const addrinfo& address, Clock::time_point deadline) {
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        return OpenFailure::None;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        return errno == ECONNREFUSED ? OpenFailure::Refused : OpenFailure::Unreachable;
    }
    short revents = 0;
    const int ready = pollUntil(fd, POLLOUT, deadline, &revents);
    if (ready <= 0) {
        return OpenFailure::Unreachable;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return OpenFailure::Failed;
    }
    if (error == 0) {
        return OpenFailure::None;
    }
    return error == ECONNREFUSED ? OpenFailure::Refused : OpenFailure::Unreachable;
}

}  // namespace

std::unique_ptr<Socket> openSocket(const std::string& host, std::uint16_t port, SocketKind kind,
                                   std::uint32_t timeoutMs, OpenFailure* failure) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    AddressList<addrinfo> addresses;
    if (!addresses.resolve(host, port, kind)) {
        *failure = OpenFailure::NotResolved;
        return nullptr;
    }
    *failure = OpenFailure::Failed;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     address->ai_protocol);
        if (fd < 0) {
            continue;
        }
        const OpenFailure result =
            kind == SocketKind::Stream ? connectStream(fd, *address, deadline) : OpenFailure::None;
        if (result == OpenFailure::None) {
            *failure = OpenFailure::None;
            return std::make_unique<PosixSocket>(fd, kind, address->ai_addr, address->ai_addrlen);
        }
        ::close(fd);
        // A refusal from one address is kept unless a later one says something else.
        *failure = result;
    }
    return nullptr;
}

}  // namespace OS
