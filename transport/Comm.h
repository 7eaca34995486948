#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace CameraDriver {

// The byte transport under the protocol engine. Counts are in/out: on entry the number of
// bytes offered (or the buffer's capacity), on return the number moved. Every failure of the
// link is raised as DriverException.
class Comm {
  public:
    using Clock = std::chrono::steady_clock;

    // The limit of every transfer, and of every wait for a reply that has not begun.
    static constexpr std::chrono::milliseconds TRANSFER_TIMEOUT{6000};

    virtual ~Comm() = default;

    // Opens the link and prepares it for traffic; leaves no link open when it fails.
    virtual void connect(const std::string& port) = 0;
    // Closes the link if one is open; does nothing otherwise.
    virtual void disconnect() = 0;
    // Drops the input still pending from earlier exchanges, then blocks until the bytes are
    // handed to the link; a time-out is a failure.
    virtual void send(const unsigned char* data, std::uint32_t* count) = 0;

    // Waits until `deadline` for the first byte; false, with nothing taken, when none came.
    // After the first byte it takes bytes until those in hand end with the message terminator
    // (for a transport that has one), the buffer is full, the link ends the burst (a serial
    // line's quiet gap) or `deadline` passes, and returns true with at least one byte. A
    // deadline already past still takes the bytes that have arrived.
    virtual bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                            Clock::time_point deadline) = 0;
    // Raises the failure this transport reports when a reply does not come in time.
    [[noreturn]] virtual void failNoReply() const = 0;
    // The clock that deadlines are measured on.
    virtual Clock::time_point now() const { return Clock::now(); }

    // tryReceive, with nothing arriving by `deadline` a failure.
    void receive(unsigned char* buffer, std::uint32_t* count, Clock::time_point deadline) {
        if (!tryReceive(buffer, count, deadline)) {
            failNoReply();
        }
    }
    // receive within the transfer time-out from now.
    void recv(unsigned char* buffer, std::uint32_t* count) {
        receive(buffer, count, now() + TRANSFER_TIMEOUT);
    }
};

// The transport, created with no open link; the caller owns it. connect chooses the link by
// the port's name: tcp://HOST:PORT a TCP connection carrying the byte stream, udp://HOST[:PORT]
// VISCA over IP (port 52381 by default), anything else a serial port. With a message
// terminator, a receive ends as soon as the bytes in hand end with that byte; without one, only
// on the quiet gap after a burst or a full buffer.
Comm* createComm(std::optional<std::uint8_t> messageTerminator);

}  // namespace CameraDriver
