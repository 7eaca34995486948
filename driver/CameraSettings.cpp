// Picture and system settings: one command per call, nothing read back.
#include "driver/ViscaControllerImpl.h"

namespace CameraDriver {

namespace {

std::uint8_t flag(bool on) { return on ? 0x02 : 0x03; }
std::uint8_t lowByte(long value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Command bytes of the stepping groups (up, down and reset share one).
constexpr std::uint8_t APERTURE = 0x02, R_GAIN = 0x03, B_GAIN = 0x04, SHUTTER = 0x0A, IRIS = 0x0B,
                       GAIN = 0x0C, BRIGHT = 0x0D, EXP_COMP = 0x0E;
constexpr std::uint8_t STEP_UP = 0x02, STEP_DOWN = 0x03, STEP_RESET = 0x00;

}  // namespace

#define QUORVIN_STEPPING_GROUP(up, down, reset, group)                                        \
    void ViscaControllerImpl::up() { command({0x80, 0x01, 0x04, group, STEP_UP, 0xFF}); }     \
    void ViscaControllerImpl::down() { command({0x80, 0x01, 0x04, group, STEP_DOWN, 0xFF}); } \
    void ViscaControllerImpl::reset() { command({0x80, 0x01, 0x04, group, STEP_RESET, 0xFF}); }

QUORVIN_STEPPING_GROUP(increaseRGain, decreaseRGain, resetRGain, R_GAIN)
QUORVIN_STEPPING_GROUP(increaseBGain, decreaseBGain, resetBGain, B_GAIN)
QUORVIN_STEPPING_GROUP(upShutter, downShutter, resetShutter, SHUTTER)
QUORVIN_STEPPING_GROUP(upIris, downIris, resetIris, IRIS)
QUORVIN_STEPPING_GROUP(upGain, downGain, resetGain, GAIN)
QUORVIN_STEPPING_GROUP(upBright, downBright, resetBright, BRIGHT)
QUORVIN_STEPPING_GROUP(upExpComp, downExpComp, resetExpComp, EXP_COMP)
QUORVIN_STEPPING_GROUP(upAperture, downAperture, resetAperture, APERTURE)

#undef QUORVIN_STEPPING_GROUP

// White balance and colour gains

void ViscaControllerImpl::setWBMode(Controller::WBMode mode) {
    command({0x80, 0x01, 0x04, 0x35, lowByte(mode), 0xFF});
}

void ViscaControllerImpl::onePushWBTrigger() { command({0x80, 0x01, 0x04, 0x10, 0x05, 0xFF}); }

void ViscaControllerImpl::setRGain(long gain) { valueCommand(0x04, 0x43, gain); }

void ViscaControllerImpl::setBGain(long gain) { valueCommand(0x04, 0x44, gain); }

// Exposure

void ViscaControllerImpl::setAEMode(Controller::AEMode mode) {
    command({0x80, 0x01, 0x04, 0x39, lowByte(mode), 0xFF});
}

void ViscaControllerImpl::setSlowShutterMode(bool automatic) {
    command({0x80, 0x01, 0x04, 0x5A, flag(automatic), 0xFF});
}

void ViscaControllerImpl::setShutter(long shutter) { valueCommand(0x04, 0x4A, shutter); }

void ViscaControllerImpl::setIris(long iris) { valueCommand(0x04, 0x4B, iris); }

void ViscaControllerImpl::setGain(long gain) { valueCommand(0x04, 0x4C, gain); }

void ViscaControllerImpl::setBright(long bright) { valueCommand(0x04, 0x4D, bright); }

void ViscaControllerImpl::setExpCompState(bool on) {
    command({0x80, 0x01, 0x04, 0x3E, flag(on), 0xFF});
}

void ViscaControllerImpl::setExpComp(long expComp) { valueCommand(0x04, 0x4E, expComp); }

void ViscaControllerImpl::setBackLightState(bool on) {
    command({0x80, 0x01, 0x04, 0x33, flag(on), 0xFF});
}

// Aperture and focus sensitivity

void ViscaControllerImpl::setAperture(long aperture) { valueCommand(0x04, 0x42, aperture); }

void ViscaControllerImpl::setAutoFocusSensitivity(bool normal) {
    command({0x80, 0x01, 0x04, 0x58, flag(normal), 0xFF});
}

// Preset memories

void ViscaControllerImpl::memoryReset(int preset) {
    command({0x80, 0x01, 0x04, 0x3F, 0x00, lowByte(preset), 0xFF});
}

void ViscaControllerImpl::memorySet(int preset) {
    command({0x80, 0x01, 0x04, 0x3F, 0x01, lowByte(preset), 0xFF});
}

void ViscaControllerImpl::memoryRecall(int preset) {
    command({0x80, 0x01, 0x04, 0x3F, 0x02, lowByte(preset), 0xFF});
}

// Picture

void ViscaControllerImpl::setWideMode(Controller::WideMode mode) {
    command({0x80, 0x01, 0x04, 0x60, lowByte(mode), 0xFF});
}

void ViscaControllerImpl::setLrReverseState(bool reversed) {
    command({0x80, 0x01, 0x04, 0x61, flag(reversed), 0xFF});
}

void ViscaControllerImpl::setFreezeState(bool frozen) {
    command({0x80, 0x01, 0x04, 0x62, flag(frozen), 0xFF});
}

void ViscaControllerImpl::setPictureEffectMode(Controller::PictureEffectMode mode) {
    command({0x80, 0x01, 0x04, 0x63, lowByte(mode), 0xFF});
}

void ViscaControllerImpl::setDigitalEffectMode(Controller::DigitalEffectMode mode) {
    command({0x80, 0x01, 0x04, 0x64, lowByte(mode), 0xFF});
}

void ViscaControllerImpl::setDigitalEffectLevel(int level) {
    command({0x80, 0x01, 0x04, 0x65, lowByte(level), 0xFF});
}

// System and power

void ViscaControllerImpl::setDataScreenState(bool on) {
    command({0x80, 0x01, 0x06, 0x06, flag(on), 0xFF});
}

void ViscaControllerImpl::setIrReceiveState(bool on) {
    command({0x80, 0x01, 0x06, 0x08, flag(on), 0xFF});
}

// Unlike every other switch, the infrared reply switch codes on as 03 and off as 13.
void ViscaControllerImpl::setIrReceiveReturnState(bool on) {
    command(
        {0x80, 0x01, 0x7D, 0x01, static_cast<std::uint8_t>(on ? 0x03 : 0x13), 0x00, 0x00, 0xFF});
}

void ViscaControllerImpl::setPowerState(bool on) {
    command({0x80, 0x01, 0x04, 0x00, flag(on), 0xFF});
}

void ViscaControllerImpl::setAutoPowerOffDelay(long delay) { valueCommand(0x04, 0x40, delay); }

}  // namespace CameraDriver
