#include "driver/Engine.h"

#include <utility>

#include "driver/Packet.h"
#include "driver/ViscaCodes.h"
#include "quorvin/DriverException.h"

namespace CameraDriver {

ViscaControllerImpl& Engine::Facade::engine() {
    // Every implementation this library creates speaks VISCA.
    return static_cast<ViscaControllerImpl&>(*getImpl());
}

Engine::Engine() = default;

Engine::Engine(std::unique_ptr<Comm> link) { impl().setComm(std::move(link)); }

Engine::~Engine() {
    try {
        facade.disconnect();
    } catch (...) {
        // The Controller's own destructor would drop it too; nothing can be done here.
    }
}

void Engine::open(const std::string& port) { facade.connect(port); }

void Engine::close() { facade.disconnect(); }

int Engine::countCameras() { return facade.getCamerasTotal(); }

std::vector<std::uint8_t> Engine::exchange(const std::uint8_t* bytes, std::size_t length,
                                           const ExchangeOptions& options) {
    // A header, the message type, at least one byte of the message and the terminator.
    if (length < 4 || length > static_cast<std::size_t>(PACKET_SIZE) ||
        (bytes[1] != Visca::MESSAGE_COMMAND && bytes[1] != Visca::MESSAGE_INQUIRY)) {
        throw DriverException("Command is malformed !");
    }
    std::uint8_t frame[PACKET_SIZE];
    std::copy(bytes, bytes + length, frame);
    // Whatever address the caller wrote, the engine's current camera gets the command.
    frame[0] = Visca::HEADER;
    const int kind = bytes[1] == Visca::MESSAGE_INQUIRY ? INQUIRY : ACK_COMPLETION;
    impl().exchange(frame, static_cast<int>(length), kind, options);
    return impl().lastExchange().reply;
}

}  // namespace CameraDriver
