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
    std::uint8_t bytes[] = {0x88, 0x30, 0x01, 0xFF};
    return executeCommand(bytes, sizeof bytes, ADDRESS_SET);
}

void ViscaControllerImpl::ifClear() {
    std::uint8_t bytes[] = {0x88, 0x01, 0x00, 0x01, 0xFF};
    executeCommand(bytes, sizeof bytes, IF_CLEAR_BROADCAST);
}

}  // namespace CameraDriver
