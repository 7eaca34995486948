#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/Comm.h"
#include "transport/Socket.h"

namespace CameraDriver {

// A camera's network name split up: tcp://HOST:PORT or udp://HOST[:PORT], HOST a name, an
// IPv4 address or an IPv6 address in brackets.
struct NetworkName {
    OS::SocketKind kind = OS::SocketKind::Stream;
    std::string host;
    std::uint16_t port = 0;
};

// The port a udp:// name without a port reaches.
constexpr std::uint16_t DEFAULT_UDP_PORT = 52381;

// true when `port` starts as a network name does (tcp:// or udp://), well formed or not.
bool isNetworkName(const std::string& port);
// The parts of a network name; nothing when the name is not a well-formed one.
std::optional<NetworkName> parseNetworkName(const std::string& port);
// "HOST:PORT", an IPv6 host in brackets: how messages name the camera.
std::string describe(const NetworkName& name);

// The common part of the network transports: the open socket, the camera's name for messages,
// and the failures raised as DriverException with the camera's host and port in the text.
class NetworkComm : public Comm {
  public:
    static constexpr std::uint32_t TRANSFER_TIMEOUT_MS = 6000;

    NetworkComm() = default;
    ~NetworkComm() override;

    void connect(const std::string& port) override;
    void disconnect() override;
    // "Network camera HOST:PORT: no reply".
    [[noreturn]] void failNoReply() const override;

  protected:
    // Raises DriverException "Network camera HOST:PORT: <what>" after an exception log line.
    [[noreturn]] void fail(const std::string& what) const;
    // The open socket; raises the failure "not connected" when there is none.
    OS::Socket& socket() const;
    const std::string& peerName() const { return peer; }
    // What a transport does once its socket is open: nothing for TCP, the sequence reset for
    // UDP. A failure raised here closes the socket again.
    virtual void prepareLink() {}
    virtual OS::SocketKind kind() const = 0;

  private:
    std::unique_ptr<OS::Socket> link;
    std::string peer;
};

// The VISCA byte stream over a TCP connection: stale input dropped before a send, a receive
// ending at the message terminator (or, without one, on a quiet gap after a byte) or a full
// buffer, nothing arriving in time a failure, and a connection closed by the peer a failure at
// once.
class TcpComm final : public NetworkComm {
  public:
    explicit TcpComm(std::optional<std::uint8_t> messageTerminator);

    void send(const unsigned char* data, std::uint32_t* count) override;
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override;

  private:
    OS::SocketKind kind() const override { return OS::SocketKind::Stream; }

    std::optional<std::uint8_t> terminator;
};

// VISCA over IP: each message in one datagram behind an 8-byte header, replies matched to
// their message by sequence number.
class UdpComm final : public NetworkComm {
  public:
    void send(const unsigned char* data, std::uint32_t* count) override;
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override;

  private:
    OS::SocketKind kind() const override { return OS::SocketKind::Datagram; }
    void prepareLink() override;
    // Sends one message with the next sequence number; `logAs`, when given, logs the datagram
    // with that text (for the messages that the engine does not log itself).
    void sendMessage(std::uint16_t payloadType, const unsigned char* data, std::size_t count,
                     const char* logAs);
    // The payload of the next valid reply (payload type `replyType`) to the current message;
    // nothing when none came by `deadline`.
    std::optional<std::vector<unsigned char>> receiveReply(std::uint16_t replyType,
                                                           Clock::time_point deadline);
    // Drops the datagrams waiting; fails when they keep coming.
    void dropPending();
    // Answers the IF_Clear broadcast `broadcast`: the camera's own IF_Clear, then the echo.
    void clearCamera(const unsigned char* broadcast, std::uint32_t count);

    std::uint32_t sequence = 0;
    // Replies already handed over for the current message: a repeat of one is a duplicate.
    std::vector<std::vector<unsigned char>> delivered;
    // A reply the transport gives itself, handed over by the next recv.
    std::vector<unsigned char> localReply;
};

}  // namespace CameraDriver
