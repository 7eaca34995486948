// The client end of the first camera's network ports for tests: raw sockets on the loopback
// address, and the datagrams of VISCA over IP written out.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "sim/UniqueFd.h"

namespace SimTest {

using Camsim::UniqueFd;

// A socket of `type` connected to 127.0.0.1:port.
inline UniqueFd connectTo(int type, std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// What arrives within `ms`: each datagram, or the stream's bytes as one piece; "closed" once
// the stream has ended.
inline std::vector<std::string> receiveFor(const UniqueFd& fd, int ms) {
    int type = 0;
    socklen_t length = sizeof type;
    ::getsockopt(fd.get(), SOL_SOCKET, SO_TYPE, &type, &length);
    std::vector<std::string> got;
    Bytes stream;
    const auto result = [&] {
        if (!stream.empty()) got.insert(got.begin(), toHex(stream));
        return got;
    };
    const auto deadline = Clock::now() + milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd.get(), POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return result();
        std::uint8_t buffer[256];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0) {
            got.push_back("closed");
            return result();
        }
        if (type == SOCK_STREAM) {
            stream.insert(stream.end(), buffer, buffer + n);
        } else {
            got.push_back(toHex(Bytes(buffer, buffer + n)));
        }
    }
}

inline void sendBytes(const UniqueFd& fd, const std::string& text) {
    const Bytes bytes = hex(text);
    ASSERT_EQ(::send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

// Exactly `count` bytes of a stream, or what came before the time-out or the end.
inline Bytes receiveBytes(const UniqueFd& fd, std::size_t count,
                          milliseconds timeout = milliseconds(3000)) {
    Bytes got;
    const auto deadline = Clock::now() + timeout;
    while (got.size() < count) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd.get(), POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        std::uint8_t buffer[4096];
        const ssize_t n = ::recv(fd.get(), buffer, std::min(sizeof buffer, count - got.size()), 0);
        if (n <= 0) break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

// A reply datagram of VISCA over IP with the given sequence number and payload.
inline std::string replyDatagram(std::uint32_t sequence, const std::string& payload) {
    const Bytes bytes = hex(payload);
    Bytes out{0x01, 0x11, 0x00, static_cast<std::uint8_t>(bytes.size())};
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(sequence >> shift));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return toHex(out);
}

// A request datagram (command or inquiry, by the frame's second byte) as text for sendBytes.
inline std::string requestDatagram(std::uint32_t sequence, const std::string& frame) {
    const Bytes bytes = hex(frame);
    Bytes out{0x01, static_cast<std::uint8_t>(bytes[1] == 0x09 ? 0x10 : 0x00), 0x00,
              static_cast<std::uint8_t>(bytes.size())};
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(sequence >> shift));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return toHex(out);
}

}  // namespace SimTest
