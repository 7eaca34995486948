// Opening the link and preparing the cameras on it.
#include "driver/ViscaControllerImpl.h"

namespace CameraDriver {

void ViscaControllerImpl::connect(const std::string& port) {
    ControllerImpl::connect(port);
    // Failures leave the link open; the caller (or the façade's destructor) disconnects.
    addressSet();
    ifClear();
}

int ViscaControllerImpl::getCamerasTotal() {
    // Asking again renumbers the chain; the count is never cached.
    return addressSet().get(0) - 1;
}

Packet ViscaControllerImpl::addressSet() {
    // The first camera takes address 1; each passes the next one on.
    std::uint8_t bytes[] = {Visca::BROADCAST, Visca::MESSAGE_ADDRESS_SET, 0x01, Visca::TERMINATOR};
    return executeCommand(bytes, sizeof bytes, ADDRESS_SET);
}

void ViscaControllerImpl::ifClear() {
    std::uint8_t bytes[] = {Visca::BROADCAST, Visca::MESSAGE_COMMAND, Visca::IF_CLEAR.category,
                            Visca::IF_CLEAR.item, Visca::TERMINATOR};
    executeCommand(bytes, sizeof bytes, IF_CLEAR_BROADCAST);
}

}  // namespace CameraDriver
