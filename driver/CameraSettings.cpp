// Picture and system settings: one command per call, nothing read back.
#include "driver/ViscaControllerImpl.h"

namespace CameraDriver {

namespace {

using namespace Visca;

// A stepping register's three commands.
constexpr std::uint8_t STEP_UP = 0x02, STEP_DOWN = 0x03, STEP_RESET = 0x00;

// The preset memory's three commands, before the preset number.
constexpr std::uint8_t MEMORY_RESET = 0x00, MEMORY_SET = 0x01, MEMORY_RECALL = 0x02;

// The white balance's one-push trigger.
constexpr std::uint8_t WB_TRIGGER = 0x05;

// Unlike every other switch, the infrared reply switch codes on as 03 and off as 13, and two
// zero bytes follow.
constexpr std::uint8_t IR_RETURN_ON = 0x03, IR_RETURN_OFF = 0x13;

}  // namespace

#define QUORVIN_STEPPING_GROUP(up, down, reset, group)                \
    void ViscaControllerImpl::up() { command(group, {STEP_UP}); }     \
    void ViscaControllerImpl::down() { command(group, {STEP_DOWN}); } \
    void ViscaControllerImpl::reset() { command(group, {STEP_RESET}); }

QUORVIN_STEPPING_GROUP(increaseRGain, decreaseRGain, resetRGain, R_GAIN_STEP)
QUORVIN_STEPPING_GROUP(increaseBGain, decreaseBGain, resetBGain, B_GAIN_STEP)
QUORVIN_STEPPING_GROUP(upShutter, downShutter, resetShutter, SHUTTER_STEP)
QUORVIN_STEPPING_GROUP(upIris, downIris, resetIris, IRIS_STEP)
QUORVIN_STEPPING_GROUP(upGain, downGain, resetGain, GAIN_STEP)
QUORVIN_STEPPING_GROUP(upBright, downBright, resetBright, BRIGHT_STEP)
QUORVIN_STEPPING_GROUP(upExpComp, downExpComp, resetExpComp, EXP_COMP_STEP)
QUORVIN_STEPPING_GROUP(upAperture, downAperture, resetAperture, APERTURE_STEP)

#undef QUORVIN_STEPPING_GROUP

// White balance and colour gains

void ViscaControllerImpl::setWBMode(Controller::WBMode mode) { command(WB_MODE, {lowByte(mode)}); }

void ViscaControllerImpl::onePushWBTrigger() { command(WB_ONE_PUSH, {WB_TRIGGER}); }

void ViscaControllerImpl::setRGain(long gain) { valueCommand(R_GAIN, gain); }

void ViscaControllerImpl::setBGain(long gain) { valueCommand(B_GAIN, gain); }

// Exposure

void ViscaControllerImpl::setAEMode(Controller::AEMode mode) { command(AE_MODE, {lowByte(mode)}); }

void ViscaControllerImpl::setSlowShutterMode(bool automatic) {
    command(SLOW_SHUTTER, {onOff(automatic)});
}

void ViscaControllerImpl::setShutter(long shutter) { valueCommand(SHUTTER, shutter); }

void ViscaControllerImpl::setIris(long iris) { valueCommand(IRIS, iris); }

void ViscaControllerImpl::setGain(long gain) { valueCommand(GAIN, gain); }

void ViscaControllerImpl::setBright(long bright) { valueCommand(BRIGHT, bright); }

void ViscaControllerImpl::setExpCompState(bool on) { command(EXP_COMP_STATE, {onOff(on)}); }

void ViscaControllerImpl::setExpComp(long expComp) { valueCommand(EXP_COMP, expComp); }

void ViscaControllerImpl::setBackLightState(bool on) { command(BACK_LIGHT, {onOff(on)}); }

// Aperture and focus sensitivity

void ViscaControllerImpl::setAperture(long aperture) { valueCommand(APERTURE, aperture); }

void ViscaControllerImpl::setAutoFocusSensitivity(bool normal) {
    command(AUTO_FOCUS_SENSITIVITY, {onOff(normal)});
}

// Preset memories

void ViscaControllerImpl::memoryReset(int preset) {
    command(MEMORY, {MEMORY_RESET, lowByte(preset)});
}

void ViscaControllerImpl::memorySet(int preset) { command(MEMORY, {MEMORY_SET, lowByte(preset)}); }

void ViscaControllerImpl::memoryRecall(int preset) {
    command(MEMORY, {MEMORY_RECALL, lowByte(preset)});
}

// Picture

void ViscaControllerImpl::setWideMode(Controller::WideMode mode) {
    command(WIDE_MODE, {lowByte(mode)});
}

void ViscaControllerImpl::setLrReverseState(bool reversed) {
    command(LR_REVERSE, {onOff(reversed)});
}

void ViscaControllerImpl::setFreezeState(bool frozen) { command(FREEZE, {onOff(frozen)}); }

void ViscaControllerImpl::setPictureEffectMode(Controller::PictureEffectMode mode) {
    command(PICTURE_EFFECT, {lowByte(mode)});
}

void ViscaControllerImpl::setDigitalEffectMode(Controller::DigitalEffectMode mode) {
    command(DIGITAL_EFFECT, {lowByte(mode)});
}

void ViscaControllerImpl::setDigitalEffectLevel(int level) {
    command(DIGITAL_EFFECT_LEVEL, {lowByte(level)});
}

// System and power

void ViscaControllerImpl::setDataScreenState(bool on) { command(DATA_SCREEN, {onOff(on)}); }

void ViscaControllerImpl::setIrReceiveState(bool on) { command(IR_RECEIVE, {onOff(on)}); }

void ViscaControllerImpl::setIrReceiveReturnState(bool on) {
    command(IR_RECEIVE_RETURN, {on ? IR_RETURN_ON : IR_RETURN_OFF, 0x00, 0x00});
}

void ViscaControllerImpl::setPowerState(bool on) { command(POWER, {onOff(on)}); }

void ViscaControllerImpl::setAutoPowerOffDelay(long delay) {
    valueCommand(AUTO_POWER_OFF_DELAY, delay);
}

}  // namespace CameraDriver
