#pragma once

// What a frame from the cameras is, in words, for frames that no exchange took: the scan and
// the diagnosis name them to the user rather than show bytes alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Doctor {

struct MessageKind {
    enum class Kind {
        NetworkChange,    // X0 38 FF, or 88 38 FF for the whole chain
        InfraredKey,      // y0 07 7D ... FF, a key of the infrared remote
        Acknowledgement,  // y0 4z FF
        Completion,       // y0 5z FF
        Answer,           // y0 50 data FF
        Error,            // y0 6z code FF
        AddressSet,       // 88 30 0p FF
        Other,            // a frame of the protocol's shape that is none of these
        Unterminated,     // bytes that did not end in FF
        NotAFrame,        // a first byte without the top bit: no sender wrote it
    };
    Kind kind = Kind::Other;
    // The camera that sent it (1 to 7), from the header; nothing for a broadcast or a frame
    // that names none.
    std::optional<int> from;
};

MessageKind kindOf(const std::vector<std::uint8_t>& frame);

// "network change", "infrared remote key", ... as a user reads it.
std::string describe(const MessageKind& kind);

// The reply header of camera `number`: (number + 8) << 4.
std::uint8_t replyHeaderOf(int number);

// What a camera is: the answer to the device-type inquiry 8x 09 00 02 FF,
// y0 50 GG GG HH HH JJ JJ KK FF.
struct DeviceCodes {
    std::uint16_t vendor = 0;    // GG GG
    std::uint16_t model = 0;     // HH HH
    std::uint16_t rom = 0;       // JJ JJ
    std::uint8_t maxSocket = 0;  // KK
};

// The codes in the seven data bytes of the answer.
std::optional<DeviceCodes> deviceCodesOf(const std::vector<std::uint8_t>& data);
// "0x0051"
std::string codeText(std::uint16_t code);

}  // namespace Doctor
