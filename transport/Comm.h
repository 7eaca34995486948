#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace CameraDriver {

// The byte transport under the protocol engine. Counts are in/out: on entry the number of
// bytes offered (or the buffer's capacity), on return the number moved. Every failure of the
// link is raised as DriverException.
class Comm {
  public:
    virtual ~Comm() = default;

    // Opens the link and prepares it for traffic; leaves no link open when it fails.
    virtual void connect(const std::string& port) = 0;
    // Closes the link if one is open; does nothing otherwise.
    virtual void disconnect() = 0;
    // Drops the input still pending from earlier exchanges, then blocks until the bytes are
    // handed to the link; a time-out is a failure.
    virtual void send(const unsigned char* data, std::uint32_t* count) = 0;
    // Blocks until at least one byte arrived and then the bytes in hand end with the message
    // terminator (for a transport that has one), or the line fell quiet, or the buffer is
    // full; never returns fewer than one byte. Nothing arriving in time is a failure.
    virtual void recv(unsigned char* buffer, std::uint32_t* count) = 0;
};

// The transport, created with no open link; the caller owns it. connect chooses the link by
// the port's name: tcp://HOST:PORT a TCP connection carrying the byte stream, udp://HOST[:PORT]
// VISCA over IP (port 52381 by default), anything else a serial port. With a message
// terminator, a receive ends as soon as the bytes in hand end with that byte; without one, only
// on the quiet gap after a burst or a full buffer.
Comm* createComm(std::optional<std::uint8_t> messageTerminator);

}  // namespace CameraDriver
