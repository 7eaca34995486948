#include "driver/Packet.h"

#include <algorithm>
#include <cstring>

namespace CameraDriver {

Packet::Packet(const std::uint8_t* source, int count) {
    const int n = std::clamp(count, 0, PACKET_SIZE);
    if (n > 0) {
        std::memcpy(bytes, source, static_cast<std::size_t>(n));
    }
}

int ViscaCommand::length() const {
    for (int i = 0; i < PACKET_SIZE; ++i) {
        if (get(i) == 0xFF) {
            return i + 1;
        }
    }
    return PACKET_SIZE;
}

}  // namespace CameraDriver
