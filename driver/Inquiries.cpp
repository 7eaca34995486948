// Settings read back from the camera; every call asks the camera again.
#include <algorithm>
#include <cstring>

#include "driver/ViscaControllerImpl.h"

namespace CameraDriver {

void ViscaControllerImpl::getDeviceType(unsigned char* buffer, unsigned long size) {
    const Packet result = inquiry(0x00, 0x02);
    // Never more than the caller says its buffer holds.
    const auto n = static_cast<std::size_t>(std::min<unsigned long>(size, PACKET_SIZE));
    if (buffer != nullptr && n > 0) {
        std::memcpy(buffer, result.data(), n);
    }
}

Controller::WBMode ViscaControllerImpl::getWBMode() {
    return static_cast<Controller::WBMode>(inquiry(0x04, 0x35).get(0));
}

long ViscaControllerImpl::getRGain() { return valueInquiry(0x04, 0x43); }

long ViscaControllerImpl::getBGain() { return valueInquiry(0x04, 0x44); }

Controller::AEMode ViscaControllerImpl::getAEMode() {
    return static_cast<Controller::AEMode>(inquiry(0x04, 0x39).get(0));
}

bool ViscaControllerImpl::getSlowShutterMode() { return flagInquiry(0x04, 0x5A); }

long ViscaControllerImpl::getShutter() { return valueInquiry(0x04, 0x4A); }

long ViscaControllerImpl::getIris() { return valueInquiry(0x04, 0x4B); }

long ViscaControllerImpl::getGain() { return valueInquiry(0x04, 0x4C); }

long ViscaControllerImpl::getBright() { return valueInquiry(0x04, 0x4D); }

bool ViscaControllerImpl::getExpCompState() { return flagInquiry(0x04, 0x3E); }

long ViscaControllerImpl::getExpComp() { return valueInquiry(0x04, 0x4E); }

bool ViscaControllerImpl::getBackLightState() { return flagInquiry(0x04, 0x33); }

long ViscaControllerImpl::getAperture() { return valueInquiry(0x04, 0x42); }

bool ViscaControllerImpl::getPowerState() {
    return strictFlagInquiry(0x04, 0x00, "CAM_PowerInq's result error !");
}

long ViscaControllerImpl::getAutoPowerOffDelay() { return valueInquiry(0x04, 0x40); }

}  // namespace CameraDriver
