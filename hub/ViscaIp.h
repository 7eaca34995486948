#pragma once

// The datagrams of VISCA over IP as the hub's served ports read and write them, apart from any
// socket so that every datagram a client may send can be tried against them: an 8-byte header
// (payload type, payload length, sequence number, all big-endian) and one VISCA message.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Hub {
namespace ViscaIp {

constexpr std::uint16_t COMMAND = 0x0100;
constexpr std::uint16_t INQUIRY = 0x0110;
constexpr std::uint16_t REPLY = 0x0111;
constexpr std::uint16_t CONTROL = 0x0200;
constexpr std::uint16_t CONTROL_REPLY = 0x0201;
constexpr std::size_t HEADER = 8;
constexpr std::size_t MAX_FRAME = 16;

// What to do with one datagram.
struct Request {
    enum class Kind {
        Drop,      // not a well-formed request: dropped, as a camera drops it
        Answer,    // answered by the hub itself with `reply` (type `replyType`), not passed on
        Exchange,  // `frame` goes to the camera: 8x 01 ... FF or 8x 09 ... FF, 4 to 16 bytes
    };
    Kind kind = Kind::Drop;
    std::uint32_t sequence = 0;
    std::vector<std::uint8_t> frame;
    std::uint16_t replyType = REPLY;
    std::vector<std::uint8_t> reply;
};

Request read(const std::uint8_t* bytes, std::size_t length);

// A datagram of `type` with the sequence number and payload given.
std::vector<std::uint8_t> datagram(std::uint16_t type, std::uint32_t sequence,
                                   const std::uint8_t* payload, std::size_t length);

// The frames of a reply as the camera sent them, one by one (each ends at its FF), with the
// camera's address replaced by 1 (y0 becomes 90): the client knows it as a camera alone.
std::vector<std::vector<std::uint8_t>> framesFromAddressOne(const std::vector<std::uint8_t>& bytes);

}  // namespace ViscaIp
}  // namespace Hub
