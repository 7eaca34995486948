#include "transport/LinkByName.h"

namespace CameraDriver {

Comm* createComm(std::optional<std::uint8_t> messageTerminator) {
    return new LinkByName(messageTerminator);
}

}  // namespace CameraDriver
