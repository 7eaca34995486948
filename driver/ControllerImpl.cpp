#include "driver/ControllerImpl.h"

#include "driver/ViscaControllerImpl.h"
#include "transport/Comm.h"

namespace CameraDriver {

namespace {

// Every VISCA message ends with this byte: the transport hands a reply over as soon as it has
// one, instead of waiting for the line to fall quiet.
constexpr std::uint8_t MESSAGE_TERMINATOR = 0xFF;

}  // namespace

ControllerImpl::ControllerImpl() = default;

ControllerImpl::~ControllerImpl() = default;

Comm* ControllerImpl::getComm() {
    if (!comm) {
        comm.reset(createComm(MESSAGE_TERMINATOR));
    }
    return comm.get();
}

void ControllerImpl::setComm(std::unique_ptr<Comm> transport) { comm = std::move(transport); }

void ControllerImpl::send(const std::uint8_t* bytes, std::uint32_t* count) {
    getComm()->send(bytes, count);
}

void ControllerImpl::recv(std::uint8_t* buffer, std::uint32_t* count) {
    getComm()->recv(buffer, count);
}

void ControllerImpl::connect(const std::string& port) { getComm()->connect(port); }

void ControllerImpl::disconnect() {
    // A controller that never needed a transport has no link to close.
    if (comm) {
        comm->disconnect();
    }
}

ControllerImpl* createControllerImpl() { return new ViscaControllerImpl(); }

}  // namespace CameraDriver
