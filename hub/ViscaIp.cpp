#include "hub/ViscaIp.h"

namespace Hub {
namespace ViscaIp {

Request read(const std::uint8_t* bytes, std::size_t length) {
    Request request;
    if (length < HEADER + 1) {
        return request;
    }
    const auto type = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    const auto payload = static_cast<std::size_t>(bytes[2] << 8 | bytes[3]);
    request.sequence = static_cast<std::uint32_t>(bytes[4]) << 24 |
                       static_cast<std::uint32_t>(bytes[5]) << 16 |
                       static_cast<std::uint32_t>(bytes[6]) << 8 | bytes[7];
    if (payload != length - HEADER) {
        return request;
    }
    const std::uint8_t* body = bytes + HEADER;
    if (type == CONTROL) {
        // The sequence reset (01): each client keeps its own numbering, so there is nothing to
        // reset here but the answer.
        if (payload == 1 && body[0] == 0x01) {
            request.kind = Request::Kind::Answer;
            request.replyType = CONTROL_REPLY;
            request.reply = {0x01};
        }
        return request;
    }
    if ((type != COMMAND && type != INQUIRY) || payload < 4 || payload > MAX_FRAME ||
        body[payload - 1] != 0xFF || (body[0] & 0xF0) != 0x80) {
        return request;
    }
    // One frame: its only FF is its last byte.
    for (std::size_t i = 1; i + 1 < payload; ++i) {
        if (body[i] == 0xFF) {
            return request;
        }
    }
    const std::vector<std::uint8_t> frame(body, body + payload);
    // The chain's set-up belongs to the hub: a client that numbers the chain or clears the
    // camera's buffers would cancel what other clients asked for. It is answered as a camera
    // standing alone answers it, and not passed on.
    if (type == COMMAND && frame == std::vector<std::uint8_t>{0x88, 0x30, 0x01, 0xFF}) {
        request.kind = Request::Kind::Answer;
        request.reply = {0x88, 0x30, 0x02, 0xFF};
        return request;
    }
    if (type == COMMAND && frame == std::vector<std::uint8_t>{0x88, 0x01, 0x00, 0x01, 0xFF}) {
        request.kind = Request::Kind::Answer;
        request.reply = frame;
        return request;
    }
    if (body[0] == 0x88) {
        // Other broadcasts reach every camera of the chain, not the one this port serves.
        return request;
    }
    if (type == COMMAND && payload == 5 && body[1] == 0x01 && body[2] == 0x00 && body[3] == 0x01) {
        request.kind = Request::Kind::Answer;
        request.reply = {0x90, 0x50, 0xFF};
        return request;
    }
    const bool command = type == COMMAND;
    if ((command && body[1] != 0x01) || (!command && body[1] != 0x09)) {
        return request;
    }
    request.kind = Request::Kind::Exchange;
    request.frame = frame;
    return request;
}

std::vector<std::uint8_t> datagram(std::uint16_t type, std::uint32_t sequence,
                                   const std::uint8_t* payload, std::size_t length) {
    std::vector<std::uint8_t> message(HEADER + length);
    message[0] = static_cast<std::uint8_t>(type >> 8);
    message[1] = static_cast<std::uint8_t>(type);
    message[2] = static_cast<std::uint8_t>(length >> 8);
    message[3] = static_cast<std::uint8_t>(length);
    for (int i = 0; i < 4; ++i) {
        message[4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(sequence >> (24 - 8 * i));
    }
    for (std::size_t i = 0; i < length; ++i) {
        message[HEADER + i] = payload[i];
    }
    return message;
}

std::vector<std::vector<std::uint8_t>> framesFromAddressOne(
    const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> frame;
    for (std::uint8_t b : bytes) {
        frame.push_back(b);
        if (b == 0xFF) {
            if (frame.size() > 1 && (frame[0] & 0x8F) == 0x80 && frame[0] != 0x88) {
                frame[0] = 0x90;
            }
            frames.push_back(std::move(frame));
            frame.clear();
        }
    }
    return frames;
}

}  // namespace ViscaIp
}  // namespace Hub
