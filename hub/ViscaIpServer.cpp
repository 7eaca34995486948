#include "hub/ViscaIpServer.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <vector>

#include "hub/Hub.h"
#include "hub/ViscaIp.h"

namespace Hub {

namespace {

namespace net = boost::asio;
using udp = net::ip::udp;

// A client that sends faster than the camera answers is not queued without end.
constexpr std::size_t MAX_IN_FLIGHT = 32;

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
    auto message = std::make_shared<std::vector<std::uint8_t>>(
        ViscaIp::datagram(type, sequence, payload, length));
    socket.async_send_to(net::buffer(*message), to,
                         [message](boost::system::error_code, std::size_t) {});
}

void ViscaIpServer::handle(std::size_t length) {
    const ViscaIp::Request request = ViscaIp::read(datagram, length);
    const std::uint32_t sequence = request.sequence;
    if (request.kind == ViscaIp::Request::Kind::Answer) {
        sendTo(sender, request.replyType, sequence, request.reply.data(), request.reply.size());
        return;
    }
    if (request.kind != ViscaIp::Request::Kind::Exchange) {
        return;
    }
    const udp::endpoint client = sender;
    if (inFlight >= MAX_IN_FLIGHT) {
        // A camera whose buffers are full says so: y0 6z 03 FF (socket 0 for the buffer).
        const std::uint8_t full[] = {0x90, 0x60, 0x03, 0xFF};
        sendTo(client, ViscaIp::REPLY, sequence, full, sizeof full);
        return;
    }
    ++inFlight;
    std::vector<std::uint8_t> frame = request.frame;
    auto self = shared_from_this();
    // Replies come on the link's thread; the socket is used on the I/O thread only.
    auto deliver = [self, client, sequence](std::vector<std::uint8_t> bytes, bool last) {
        net::post(self->io, [self, client, sequence, bytes = std::move(bytes), last] {
            for (const auto& f : ViscaIp::framesFromAddressOne(bytes)) {
                self->sendTo(client, ViscaIp::REPLY, sequence, f.data(), f.size());
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
