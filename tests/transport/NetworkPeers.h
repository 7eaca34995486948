#pragma once

// Loopback peers of the network transports' tests.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "quorvin/DriverException.h"
#include "transport/Comm.h"
#include "transport/NetworkComm.h"

namespace NetworkTest {

using Bytes = std::vector<unsigned char>;
using CameraDriver::Comm;

const Bytes POWER_ON{0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
const Bytes ACK{0x90, 0x41, 0xFF};
const Bytes COMPLETION{0x90, 0x51, 0xFF};
const Bytes ZOOM_INQUIRY{0x81, 0x09, 0x04, 0x47, 0xFF};
const Bytes ZOOM_REPLY{0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF};

class Fd {
  public:
    explicit Fd(int descriptor) : fd(descriptor) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int get() const { return fd; }

  private:
    int fd;
};

// A loopback socket of `type` bound to a free port.
inline int boundSocket(int type, std::uint16_t* port) {
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

inline bool readable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

inline Bytes exchange(Comm& comm, const Bytes& message) {
    std::uint32_t count = static_cast<std::uint32_t>(message.size());
    comm.send(message.data(), &count);
    Bytes reply(16);
    count = 16;
    comm.recv(reply.data(), &count);
    reply.resize(count);
    return reply;
}

inline Bytes receiveOnly(Comm& comm) {
    Bytes reply(16);
    std::uint32_t count = 16;
    comm.recv(reply.data(), &count);
    reply.resize(count);
    return reply;
}

struct Datagram {
    std::uint16_t type;
    std::uint32_t sequence;
    Bytes payload;
};

inline Bytes encode(const Datagram& d) {
    Bytes bytes{static_cast<unsigned char>(d.type >> 8),
                static_cast<unsigned char>(d.type),
                static_cast<unsigned char>(d.payload.size() >> 8),
                static_cast<unsigned char>(d.payload.size()),
                static_cast<unsigned char>(d.sequence >> 24),
                static_cast<unsigned char>(d.sequence >> 16),
                static_cast<unsigned char>(d.sequence >> 8),
                static_cast<unsigned char>(d.sequence)};
    bytes.insert(bytes.end(), d.payload.begin(), d.payload.end());
    return bytes;
}

enum class Fault { None, Duplicate, Late, Foreign, Malformed, Drop };

class UdpPeer {
  public:
    // zoomCounts: the position the zoom inquiry reports; every other inquiry is answered with
    // the value 3 (off, for a switch).
    explicit UdpPeer(std::vector<Fault> plan, int zoomCounts = 0x1234)
        : socket(boundSocket(SOCK_DGRAM, &port)), zoomReply(nibbles(zoomCounts)) {
        std::uint16_t otherPort = 0;
        other = ::socket(AF_INET, SOCK_DGRAM, 0);
        ::close(boundSocket(SOCK_DGRAM, &otherPort));
        worker = std::thread([this, plan] { serve(plan); });
    }
    ~UdpPeer() {
        finish();
        ::close(other);
    }
    std::string name() const { return "udp://127.0.0.1:" + std::to_string(port); }
    // Stops the camera; returns the datagrams it received.
    std::vector<Datagram> finish() {
        stop = true;
        if (worker.joinable()) {
            worker.join();
        }
        return received;
    }

  private:
    void reply(const sockaddr_in& to, int fd, const Datagram& d) {
        const Bytes bytes = encode(d);
        ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
    }

    void serve(std::vector<Fault> plan) {
        std::size_t next = 0;
        while (!stop) {
            if (!readable(socket.get(), 50)) {
                continue;
            }
            unsigned char buffer[64];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got = ::recvfrom(socket.get(), buffer, sizeof buffer, 0,
                                           reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 8) {
                continue;
            }
            Datagram d{static_cast<std::uint16_t>(buffer[0] << 8 | buffer[1]),
                       static_cast<std::uint32_t>(buffer[4] << 24 | buffer[5] << 16 |
                                                  buffer[6] << 8 | buffer[7]),
                       Bytes(buffer + 8, buffer + got)};
            received.push_back(d);
            if (d.type == 0x0200) {
                reply(from, socket.get(), {0x0201, d.sequence, {0x01}});
                continue;
            }
            const Fault fault = next < plan.size() ? plan[next] : Fault::None;
            ++next;
            std::vector<Bytes> replies;
            if (d.payload == ZOOM_INQUIRY) {
                replies = {zoomReply};
            } else if (d.payload.size() > 2 && d.payload[1] == 0x09) {
                replies = {{0x90, 0x50, 0x03, 0xFF}};
            } else if (d.payload == Bytes{0x81, 0x01, 0x00, 0x01, 0xFF}) {
                replies = {{0x90, 0x50, 0xFF}};
            } else {
                replies = {ACK, COMPLETION};
            }
            switch (fault) {
                case Fault::Late:
                    reply(from, socket.get(), {0x0111, d.sequence - 1, {0x90, 0x60, 0x02, 0xFF}});
                    break;
                case Fault::Foreign:
                    reply(from, other, {0x0111, d.sequence, {0x90, 0x60, 0x02, 0xFF}});
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    break;
                case Fault::Malformed: {
                    Bytes bad = encode({0x0111, d.sequence, {0x90, 0x60, 0x02, 0xFF}});
                    bad[3] = 9;
                    ::sendto(socket.get(), bad.data(), bad.size(), 0,
                             reinterpret_cast<const sockaddr*>(&from), sizeof from);
                    break;
                }
                default:
                    break;
            }
            for (const Bytes& payload : replies) {
                if (fault == Fault::Drop) {
                    break;
                }
                reply(from, socket.get(), {0x0111, d.sequence, payload});
                if (fault == Fault::Duplicate) {
                    reply(from, socket.get(), {0x0111, d.sequence, payload});
                }
            }
        }
    }

    static Bytes nibbles(int counts) {
        return {0x90,
                0x50,
                static_cast<unsigned char>((counts >> 12) & 0xF),
                static_cast<unsigned char>((counts >> 8) & 0xF),
                static_cast<unsigned char>((counts >> 4) & 0xF),
                static_cast<unsigned char>(counts & 0xF),
                0xFF};
    }

    std::uint16_t port = 0;
    Fd socket;
    Bytes zoomReply;
    int other = -1;
    std::atomic<bool> stop{false};
    std::vector<Datagram> received;
    std::thread worker;
};

}  // namespace NetworkTest
