#include "doctor/Messages.h"

#include <cstdio>

namespace Doctor {

MessageKind kindOf(const std::vector<std::uint8_t>& frame) {
    using Kind = MessageKind::Kind;
    MessageKind message;
    if (frame.empty() || frame.back() != 0xFF) {
        message.kind = Kind::Unterminated;
        return message;
    }
    const std::uint8_t header = frame[0];
    if ((header & 0x80) == 0) {
        message.kind = Kind::NotAFrame;
        return message;
    }
    // A camera's header is (address + 8) << 4: 0x90 to 0xF0; 0x88 is a broadcast.
    if (header >= 0x90 && (header & 0x0F) == 0) {
        message.from = (header >> 4) - 8;
    }
    const std::uint8_t type = frame.size() > 1 ? frame[1] : 0xFF;
    if (type == 0x38 && frame.size() == 3) {
        message.kind = Kind::NetworkChange;
    } else if (header == 0x88 && type == 0x30) {
        message.kind = Kind::AddressSet;
    } else if (type == 0x07 && frame.size() > 3 && frame[2] == 0x7D) {
        message.kind = Kind::InfraredKey;
    } else if ((type & 0xF0) == 0x40 && frame.size() == 3) {
        message.kind = Kind::Acknowledgement;
    } else if ((type & 0xF0) == 0x50) {
        message.kind = frame.size() == 3 ? Kind::Completion : Kind::Answer;
    } else if ((type & 0xF0) == 0x60 && frame.size() == 4) {
        message.kind = Kind::Error;
    }
    return message;
}

std::string describe(const MessageKind& kind) {
    using Kind = MessageKind::Kind;
    switch (kind.kind) {
        case Kind::NetworkChange:
            return "network change";
        case Kind::InfraredKey:
            return "infrared remote key";
        case Kind::Acknowledgement:
            return "acknowledgement";
        case Kind::Completion:
            return "completion";
        case Kind::Answer:
            return "answer";
        case Kind::Error:
            return "error";
        case Kind::AddressSet:
            return "address set";
        case Kind::Other:
            return "unknown message";
        case Kind::Unterminated:
            return "bytes without the terminator FF";
        case Kind::NotAFrame:
            return "bytes that are no frame";
    }
    return "unknown message";
}

std::uint8_t replyHeaderOf(int number) { return static_cast<std::uint8_t>((number + 8) << 4); }

std::optional<DeviceCodes> deviceCodesOf(const std::vector<std::uint8_t>& data) {
    if (data.size() != 7) {
        return std::nullopt;
    }
    const auto word = [&data](std::size_t at) {
        return static_cast<std::uint16_t>((data[at] << 8) | data[at + 1]);
    };
    return DeviceCodes{word(0), word(2), word(4), data[6]};
}

std::string codeText(std::uint16_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(code));
    return text;
}

}  // namespace Doctor
