#include "hub/ViscaIpServer.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <vector>

#include "hub/Hub.h"

namespace Hub {

namespace {

namespace net = boost::asio;
using udp = net::ip::udp;

constexpr std::uint16_t COMMAND = 0x0100;
constexpr std::uint16_t INQUIRY = 0x0110;
constexpr std::uint16_t REPLY = 0x0111;
constexpr std::uint16_t CONTROL = 0x0200;
constexpr std::uint16_t CONTROL_REPLY = 0x0201;
constexpr std::size_t HEADER = 8;
constexpr std::size_t MAX_FRAME = 16;
// A client that sends faster than the camera answers is not queued without end.
constexpr std::size_t MAX_IN_FLIGHT = 32;

// The frames of a reply, one by one (each ends at its FF).
std::vector<std::vector<std::uint8_t>> framesOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> frame;
    for (std::uint8_t b : bytes) {
        frame.push_back(b);
        if (b == 0xFF) {
            frames.push_back(std::move(frame));
            frame.clear();
        }
    }
    return frames;
}

}  // namespace

ViscaIpServer::ViscaIpServer(net::io_context& context, Hub& owner, std::string camera,
                             const std::string& host, std::uint16_t port)
    : io(context),
      hub(owner),
      cameraId(std::move(camera)),
      socket(context,
             udp::endpoint(net::ip::make_address(host == "localhost" ? "127.0.0.1" : host), port)) {
}

void ViscaIpServer::start() { receive(); }

void ViscaIpServer::stop() {
    boost::system::error_code ignored;
    socket.close(ignored);
}

std::uint16_t ViscaIpServer::port() const { return socket.local_endpoint().port(); }

void ViscaIpServer::receive() {
    socket.async_receive_from(
        net::buffer(datagram), sender,
        [self = shared_from_this()](boost::system::error_code ec, std::size_t length) {
            if (ec == net::error::operation_aborted || !self->socket.is_open()) {
                return;
            }
            if (!ec) {
                self->handle(length);
            }
            self->receive();
        });
}

void ViscaIpServer::sendTo(const udp::endpoint& to, std::uint16_t type, std::uint32_t sequence,
                           const std::uint8_t* payload, std::size_t length) {
    auto message = std::make_shared<std::vector<std::uint8_t>>(HEADER + length);
    auto& m = *message;
    m[0] = static_cast<std::uint8_t>(type >> 8);
    m[1] = static_cast<std::uint8_t>(type);
    m[2] = static_cast<std::uint8_t>(length >> 8);
    m[3] = static_cast<std::uint8_t>(length);
    for (int i = 0; i < 4; ++i) {
        m[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(sequence >> (24 - 8 * i));
    }
    std::copy(payload, payload + length, m.begin() + HEADER);
    socket.async_send_to(net::buffer(m), to, [message](boost::system::error_code, std::size_t) {});
}

void ViscaIpServer::handle(std::size_t length) {
    // Datagrams that are not a well-formed request are dropped, as a camera drops them.
    if (length < HEADER + 1) {
        return;
    }
    const std::uint16_t type = static_cast<std::uint16_t>(datagram[0] << 8 | datagram[1]);
    const std::size_t payload = static_cast<std::size_t>(datagram[2] << 8 | datagram[3]);
    const std::uint32_t sequence = static_cast<std::uint32_t>(datagram[4]) << 24 |
                                   static_cast<std::uint32_t>(datagram[5]) << 16 |
                                   static_cast<std::uint32_t>(datagram[6]) << 8 | datagram[7];
    if (payload != length - HEADER) {
        return;
    }
    const std::uint8_t* body = datagram + HEADER;
    if (type == CONTROL) {
        // The sequence reset (01): every client keeps its own numbering, so there is nothing
        // to reset here but the answer.
        if (payload == 1 && body[0] == 0x01) {
            const std::uint8_t ok = 0x01;
            sendTo(sender, CONTROL_REPLY, sequence, &ok, 1);
        }
        return;
    }
    if ((type != COMMAND && type != INQUIRY) || payload < 4 || payload > MAX_FRAME ||
        body[payload - 1] != 0xFF || (body[0] & 0xF0) != 0x80) {
        return;
    }
    // The chain's set-up belongs to the hub: a client that numbers the chain or clears the
    // camera's buffers would cancel what other clients asked for. It is answered as a camera
    // standing alone answers it, and not passed on.
    const std::vector<std::uint8_t> frameSent(body, body + payload);
    if (frameSent == std::vector<std::uint8_t>{0x88, 0x30, 0x01, 0xFF}) {
        const std::uint8_t numbered[] = {0x88, 0x30, 0x02, 0xFF};
        sendTo(sender, REPLY, sequence, numbered, sizeof numbered);
        return;
    }
    if (frameSent == std::vector<std::uint8_t>{0x88, 0x01, 0x00, 0x01, 0xFF}) {
        sendTo(sender, REPLY, sequence, body, payload);
        return;
    }
    if (payload == 5 && body[0] != 0x88 && body[1] == 0x01 && body[2] == 0x00 && body[3] == 0x01) {
        const std::uint8_t cleared[] = {0x90, 0x50, 0xFF};
        sendTo(sender, REPLY, sequence, cleared, sizeof cleared);
        return;
    }
    const bool command = type == COMMAND;
    if ((command && body[1] != 0x01) || (!command && body[1] != 0x09)) {
        return;
    }
    const udp::endpoint client = sender;
    if (inFlight >= MAX_IN_FLIGHT) {
        // A camera whose buffers are full says so: y0 6z 03 FF (socket 0 for the buffer).
        const std::uint8_t full[] = {0x90, 0x60, 0x03, 0xFF};
        sendTo(client, REPLY, sequence, full, sizeof full);
        return;
    }
    ++inFlight;
    std::vector<std::uint8_t> frame(body, body + payload);
    auto self = shared_from_this();
    // Replies come on the link's thread; the socket is used on the I/O thread only.
    auto deliver = [self, client, sequence](std::vector<std::uint8_t> bytes, bool last) {
        net::post(self->io, [self, client, sequence, bytes = std::move(bytes), last] {
            for (auto f : framesOf(bytes)) {
                // The client knows the camera as address 1: y0 becomes 90.
                f[0] = 0x90;
                self->sendTo(client, REPLY, sequence, f.data(), f.size());
            }
            if (last) {
                --self->inFlight;
            }
        });
    };
    hub.runRaw(
        cameraId, std::move(frame),
        [deliver](const std::vector<std::uint8_t>& ack) { deliver(ack, false); },
        [deliver](Outcome outcome) {
            if (outcome.status == 423) {
                // Locked: the camera cannot take commands now.
                outcome.reply = {0x90, 0x60, 0x41, 0xFF};
            }
            // Offline or timed out: nothing, as a camera that does not answer.
            deliver(std::move(outcome.reply), true);
        });
}

}  // namespace Hub
