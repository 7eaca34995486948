// Settings read back from the camera; every call asks the camera again.
#include <algorithm>
#include <cstring>

#include "driver/ViscaControllerImpl.h"

namespace CameraDriver {

using namespace Visca;

void ViscaControllerImpl::getDeviceType(unsigned char* buffer, unsigned long size) {
    const Packet result = inquiry(DEVICE_TYPE);
    // Never more than the caller says its buffer holds.
    const auto n = static_cast<std::size_t>(std::min<unsigned long>(size, PACKET_SIZE));
    if (buffer != nullptr && n > 0) {
        std::memcpy(buffer, result.data(), n);
    }
}

Controller::WBMode ViscaControllerImpl::getWBMode() {
    return static_cast<Controller::WBMode>(inquiry(WB_MODE).get(0));
}

long ViscaControllerImpl::getRGain() { return valueInquiry(R_GAIN); }

long ViscaControllerImpl::getBGain() { return valueInquiry(B_GAIN); }

Controller::AEMode ViscaControllerImpl::getAEMode() {
    return static_cast<Controller::AEMode>(inquiry(AE_MODE).get(0));
}

bool ViscaControllerImpl::getSlowShutterMode() { return flagInquiry(SLOW_SHUTTER); }

long ViscaControllerImpl::getShutter() { return valueInquiry(SHUTTER); }

long ViscaControllerImpl::getIris() { return valueInquiry(IRIS); }

long ViscaControllerImpl::getGain() { return valueInquiry(GAIN); }

long ViscaControllerImpl::getBright() { return valueInquiry(BRIGHT); }

bool ViscaControllerImpl::getExpCompState() { return flagInquiry(EXP_COMP_STATE); }

long ViscaControllerImpl::getExpComp() { return valueInquiry(EXP_COMP); }

bool ViscaControllerImpl::getBackLightState() { return flagInquiry(BACK_LIGHT); }

long ViscaControllerImpl::getAperture() { return valueInquiry(APERTURE); }

bool ViscaControllerImpl::getPowerState() {
    return strictFlagInquiry(POWER, "CAM_PowerInq's result error !");
}

long ViscaControllerImpl::getAutoPowerOffDelay() { return valueInquiry(AUTO_POWER_OFF_DELAY); }

}  // namespace CameraDriver
