#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace OS {

// The two kinds of network link: a byte stream (TCP) or single datagrams (UDP).
enum class SocketKind { Stream, Datagram };

// Why opening a socket failed, so that the transport can say it in words.
enum class OpenFailure { None, NotResolved, Refused, Unreachable, Failed };

// How one receive ended. Closed: the stream's peer closed the connection. Foreign: a datagram
// from another address or port than the one the socket was opened to (it is consumed).
// Oversized: a datagram larger than the buffer (it is consumed, its bytes are not kept).
enum class ReceiveResult { Data, Closed, Foreign, Oversized, Failed };

// One open network socket of the operating system, opened to one peer. Every wait is bounded
// by the caller's time-out; nothing spins.
class Socket {
  public:
    Socket() = default;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    // Closes the socket.
    virtual ~Socket() = default;

    // Waits at most timeoutMs for input (or the stream's end) to be ready; false when waiting
    // failed, *ready tells whether something is ready.
    virtual bool waitReadable(std::uint32_t timeoutMs, bool* ready) = 0;
    // Receives what is ready: up to `capacity` bytes of the stream, or one datagram; *count
    // receives the number of bytes kept. Call only after waitReadable reported it ready.
    virtual ReceiveResult receive(unsigned char* buffer, std::size_t capacity,
                                  std::size_t* count) = 0;
    // Sends all `count` bytes (for a datagram socket, as one datagram to the peer), waiting at
    // most timeoutMs; false when the peer has gone, the system refused or the time ran out.
    virtual bool send(const unsigned char* data, std::size_t count, std::uint32_t timeoutMs) = 0;
};

// Resolves `host` (a name or a numeric address) with the system's resolver and opens a socket
// of `kind` to `port` on it, trying each address in turn; a stream socket is connected within
// timeoutMs. Returns null with *failure set when it cannot. Defined by the platform's
// Socket*.cpp, which also starts and stops the platform's socket layer as needed.
std::unique_ptr<Socket> openSocket(const std::string& host, std::uint16_t port, SocketKind kind,
                                   std::uint32_t timeoutMs, OpenFailure* failure);

}  // namespace OS
