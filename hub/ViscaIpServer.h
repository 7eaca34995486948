#pragma once

// A camera of the hub served as a network camera: VISCA over IP on a UDP port of its own. Each
// datagram's 8-byte header (payload type, length, sequence number) is checked, its VISCA frame
// passed to the camera's link as a raw exchange (with the camera's place on the chain put in
// its header), and every frame of the reply sent back apart, with address 1 in its header and
// the request's sequence number, as a camera standing alone would. The sequence reset is
// answered per client.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstdint>
#include <memory>
#include <string>

namespace Hub {

class Hub;

class ViscaIpServer : public std::enable_shared_from_this<ViscaIpServer> {
  public:
    // Binds HOST:PORT (port 0: one the system chooses); throws boost::system::system_error.
    ViscaIpServer(boost::asio::io_context& io, Hub& hub, std::string camera,
                  const std::string& host, std::uint16_t port);
    void start();
    void stop();
    std::uint16_t port() const;
    const std::string& camera() const { return cameraId; }

  private:
    void receive();
    void handle(std::size_t length);
    void sendTo(const boost::asio::ip::udp::endpoint& to, std::uint16_t type,
                std::uint32_t sequence, const std::uint8_t* payload, std::size_t length);

    boost::asio::io_context& io;
    Hub& hub;
    const std::string cameraId;
    boost::asio::ip::udp::socket socket;
    boost::asio::ip::udp::endpoint sender;
    std::uint8_t datagram[1500] = {};
    std::size_t inFlight = 0;  // exchanges queued for this port, bounded
};

}  // namespace Hub
