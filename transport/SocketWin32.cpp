// Network sockets on Windows: Winsock, started for as long as a socket is open,
// getaddrinfo to resolve, non-blocking sockets, select for every wait.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "transport/AddressList.h"
#include "transport/Socket.h"

namespace OS {

namespace {

using Clock = std::chrono::steady_clock;

// Winsock is started per socket (WSAStartup counts its callers), so nothing global is kept.
class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data{};
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (started) {
            ::WSACleanup();
        }
    }
    bool ok() const { return started; }

  private:
    bool started = false;
};

long remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<long>(left) : 0;
}

// Waits until the socket is readable (or writable); -1 on failure, 0 on time-out. A failed
// connect shows in the exception set.
int selectUntil(SOCKET handle, bool forWrite, Clock::time_point deadline) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(handle, &ready);
    FD_SET(handle, &failed);
    const long ms = remainingMs(deadline);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int result =
        ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &limit);
    if (result == SOCKET_ERROR) {
        return -1;
    }
    if (result > 0 && FD_ISSET(handle, &failed) && !FD_ISSET(handle, &ready)) {
        return -2;
    }
    return result;
}

class WinSocket final : public Socket {
  public:
    WinSocket(std::unique_ptr<WinsockSession> winsock, SOCKET socketHandle, SocketKind socketKind,
              const sockaddr* address, int addressLength)
        : session(std::move(winsock)),
          handle(socketHandle),
          kind(socketKind),
          peerLength(addressLength) {
        std::memcpy(&peer, address, static_cast<std::size_t>(addressLength));
    }
    ~WinSocket() override { ::closesocket(handle); }

    bool waitReadable(std::uint32_t timeoutMs, bool* ready) override {
        const int result =
            selectUntil(handle, false, Clock::now() + std::chrono::milliseconds(timeoutMs));
        *ready = result != 0;
        return result != -1;
    }

    ReceiveResult receive(unsigned char* buffer, std::size_t capacity,
                          std::size_t* count) override {
        *count = 0;
        const int size = static_cast<int>(capacity);
        if (kind == SocketKind::Stream) {
            const int got = ::recv(handle, reinterpret_cast<char*>(buffer), size, 0);
            if (got == 0) {
                return ReceiveResult::Closed;
            }
            if (got == SOCKET_ERROR) {
                const int error = ::WSAGetLastError();
                if (error == WSAEWOULDBLOCK) {
                    return ReceiveResult::Data;
                }
                return error == WSAECONNRESET || error == WSAECONNABORTED ? ReceiveResult::Closed
                                                                          : ReceiveResult::Failed;
            }
            *count = static_cast<std::size_t>(got);
            return ReceiveResult::Data;
        }
        sockaddr_storage source{};
        int sourceLength = sizeof source;
        const int got = ::recvfrom(handle, reinterpret_cast<char*>(buffer), size, 0,
                                   reinterpret_cast<sockaddr*>(&source), &sourceLength);
        bool oversized = false;
        if (got == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            // An ICMP "port unreachable" for an earlier datagram shows as a reset; the link is
            // not broken by it, the reply simply does not come.
            if (error == WSAEWOULDBLOCK || error == WSAECONNRESET) {
                return ReceiveResult::Data;
            }
            if (error != WSAEMSGSIZE) {
                return ReceiveResult::Failed;
            }
            oversized = true;
        }
        if (sourceLength != peerLength ||
            std::memcmp(&source, &peer, static_cast<std::size_t>(peerLength)) != 0) {
            return ReceiveResult::Foreign;
        }
        if (oversized) {
            return ReceiveResult::Oversized;
        }
        *count = static_cast<std::size_t>(got);
        return ReceiveResult::Data;
    }

    bool send(const unsigned char* data, std::size_t count, std::uint32_t timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::size_t sent = 0;
        for (;;) {
            const char* bytes = reinterpret_cast<const char*>(data);
            const int put = kind == SocketKind::Stream
                                ? ::send(handle, bytes + sent, static_cast<int>(count - sent), 0)
                                : ::sendto(handle, bytes, static_cast<int>(count), 0,
                                           reinterpret_cast<const sockaddr*>(&peer), peerLength);
            if (put != SOCKET_ERROR) {
                if (kind == SocketKind::Datagram) {
                    return static_cast<std::size_t>(put) == count;
                }
                sent += static_cast<std::size_t>(put);
                if (sent >= count) {
                    return true;
                }
                continue;
            }
            if (::WSAGetLastError() != WSAEWOULDBLOCK) {
                return false;
            }
            if (selectUntil(handle, true, deadline) <= 0) {
                return false;
            }
        }
    }

  private:
    std::unique_ptr<WinsockSession> session;
    SOCKET handle;
    SocketKind kind;
    sockaddr_storage peer{};
    int peerLength;
};

OpenFailure connectStream(SOCKET handle, const addrinfo& address, Clock::time_point deadline) {
    if (::connect(handle, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        return OpenFailure::None;
    }
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
        return error == WSAECONNREFUSED ? OpenFailure::Refused : OpenFailure::Unreachable;
    }
    const int ready = selectUntil(handle, true, deadline);
    if (ready == 0 || ready == -1) {
        return OpenFailure::Unreachable;
    }
    int failure = 0;
    int length = sizeof failure;
    if (::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length) !=
        0) {
        return OpenFailure::Failed;
    }
    if (failure == 0 && ready > 0) {
        return OpenFailure::None;
    }
    return failure == WSAECONNREFUSED || failure == 0 ? OpenFailure::Refused
                                                      : OpenFailure::Unreachable;
}

}  // namespace

std::unique_ptr<Socket> openSocket(const std::string& host, std::uint16_t port, SocketKind kind,
                                   std::uint32_t timeoutMs, OpenFailure* failure) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto session = std::make_unique<WinsockSession>();
    if (!session->ok()) {
        *failure = OpenFailure::Failed;
        return nullptr;
    }
    AddressList<addrinfo> addresses;
    if (!addresses.resolve(host, port, kind)) {
        *failure = OpenFailure::NotResolved;
        return nullptr;
    }
    *failure = OpenFailure::Failed;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        const SOCKET handle =
            ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (handle == INVALID_SOCKET) {
            continue;
        }
        u_long nonBlocking = 1;
        OpenFailure result = ::ioctlsocket(handle, FIONBIO, &nonBlocking) == 0
                                 ? OpenFailure::None
                                 : OpenFailure::Failed;
        if (result == OpenFailure::None && kind == SocketKind::Stream) {
            result = connectStream(handle, *address, deadline);
        }
        if (result == OpenFailure::None) {
            *failure = OpenFailure::None;
            return std::make_unique<WinSocket>(std::move(session), handle, kind, address->ai_addr,
                                               static_cast<int>(address->ai_addrlen));
        }
        ::closesocket(handle);
        *failure = result;
    }
    return nullptr;
}

}  // namespace OS
