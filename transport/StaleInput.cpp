#include "transport/StaleInput.h"

#include <algorithm>

#include "diagnostics/Log.h"

namespace CameraDriver {

void StaleInput::add(const unsigned char* bytes, std::size_t count) {
    const std::size_t room = LOGGED_BYTES - std::min(LOGGED_BYTES, kept.size());
    kept.insert(kept.end(), bytes, bytes + std::min(room, count));
    total += count;
    if (count > 0) {
        lastByte = bytes[count - 1];
    }
}

void StaleInput::log() const {
    std::string text = "Discarded stale input: ";
    if (total > kept.size()) {
        text = "Discarded stale input (" + std::to_string(total) + " bytes, the first " +
               std::to_string(kept.size()) + " shown): ";
    }
    logPacket(text, kept.data(), static_cast<int>(kept.size()));
}

}  // namespace CameraDriver
