#pragma once

// The VISCA codes that the camera operations send, each named once: the message types, the
// registers (a category byte and an item byte; a setting's command and its inquiry share one),
// the on/off codes and the byte form of an argument. A command reads 8x 01 <register> ... FF and
// an inquiry 8x 09 <register> FF, with the camera number put into 8x by executeCommand.

#include <cstdint>

namespace CameraDriver::Visca {

constexpr std::uint8_t HEADER = 0x80;     // camera 0; executeCommand adds the camera number
constexpr std::uint8_t BROADCAST = 0x88;  // every camera on the chain
constexpr std::uint8_t TERMINATOR = 0xFF;

// The message type, after the header.
constexpr std::uint8_t MESSAGE_COMMAND = 0x01;
constexpr std::uint8_t MESSAGE_INQUIRY = 0x09;
constexpr std::uint8_t MESSAGE_ADDRESS_SET = 0x30;

struct Register {
    std::uint8_t category;
    std::uint8_t item;
};

// Categories.
constexpr std::uint8_t INTERFACE = 0x00;
constexpr std::uint8_t CAMERA = 0x04;
constexpr std::uint8_t PAN_TILTER = 0x06;
constexpr std::uint8_t INFRARED_RETURN = 0x7D;

// Interface.
constexpr Register IF_CLEAR{INTERFACE, 0x01};
constexpr Register DEVICE_TYPE{INTERFACE, 0x02};

// Camera: lens.
constexpr Register POWER{CAMERA, 0x00};
constexpr Register DIGITAL_ZOOM{CAMERA, 0x06};
constexpr Register ZOOM_DRIVE{CAMERA, 0x07};
constexpr Register FOCUS_DRIVE{CAMERA, 0x08};
constexpr Register FOCUS_ONE_PUSH{CAMERA, 0x18};
constexpr Register FOCUS_NEAR_LIMIT{CAMERA, 0x28};
constexpr Register FOCUS_MODE{CAMERA, 0x38};
constexpr Register ZOOM_POSITION{CAMERA, 0x47};
constexpr Register FOCUS_POSITION{CAMERA, 0x48};
constexpr Register AUTO_FOCUS_SENSITIVITY{CAMERA, 0x58};

// Camera: white balance, exposure and picture. A setting stepped up, down and back has its
// stepping register beside the register of its value.
constexpr Register APERTURE_STEP{CAMERA, 0x02};
constexpr Register R_GAIN_STEP{CAMERA, 0x03};
constexpr Register B_GAIN_STEP{CAMERA, 0x04};
constexpr Register SHUTTER_STEP{CAMERA, 0x0A};
constexpr Register IRIS_STEP{CAMERA, 0x0B};
constexpr Register GAIN_STEP{CAMERA, 0x0C};
constexpr Register BRIGHT_STEP{CAMERA, 0x0D};
constexpr Register EXP_COMP_STEP{CAMERA, 0x0E};
constexpr Register WB_ONE_PUSH{CAMERA, 0x10};
constexpr Register BACK_LIGHT{CAMERA, 0x33};
constexpr Register WB_MODE{CAMERA, 0x35};
constexpr Register AE_MODE{CAMERA, 0x39};
constexpr Register EXP_COMP_STATE{CAMERA, 0x3E};
constexpr Register MEMORY{CAMERA, 0x3F};
constexpr Register AUTO_POWER_OFF_DELAY{CAMERA, 0x40};
constexpr Register APERTURE{CAMERA, 0x42};
constexpr Register R_GAIN{CAMERA, 0x43};
constexpr Register B_GAIN{CAMERA, 0x44};
constexpr Register SHUTTER{CAMERA, 0x4A};
constexpr Register IRIS{CAMERA, 0x4B};
constexpr Register GAIN{CAMERA, 0x4C};
constexpr Register BRIGHT{CAMERA, 0x4D};
constexpr Register EXP_COMP{CAMERA, 0x4E};
constexpr Register SLOW_SHUTTER{CAMERA, 0x5A};
constexpr Register WIDE_MODE{CAMERA, 0x60};
constexpr Register LR_REVERSE{CAMERA, 0x61};
constexpr Register FREEZE{CAMERA, 0x62};
constexpr Register PICTURE_EFFECT{CAMERA, 0x63};
constexpr Register DIGITAL_EFFECT{CAMERA, 0x64};
constexpr Register DIGITAL_EFFECT_LEVEL{CAMERA, 0x65};

// Pan-tilter and system.
constexpr Register PAN_TILT_DRIVE{PAN_TILTER, 0x01};
constexpr Register PAN_TILT_ABSOLUTE{PAN_TILTER, 0x02};
constexpr Register PAN_TILT_HOME{PAN_TILTER, 0x04};
constexpr Register DATA_SCREEN{PAN_TILTER, 0x06};
constexpr Register IR_RECEIVE{PAN_TILTER, 0x08};
constexpr Register PAN_TILT_POSITION{PAN_TILTER, 0x12};
constexpr Register IR_RECEIVE_RETURN{INFRARED_RETURN, 0x01};

// A switch on or off, in a command and in an inquiry's reply.
constexpr std::uint8_t ON = 0x02;
constexpr std::uint8_t OFF = 0x03;

constexpr std::uint8_t onOff(bool on) { return on ? ON : OFF; }

// The low 8 bits of an argument, sent unchanged: no range check and no mask beyond them.
constexpr std::uint8_t lowByte(long value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace CameraDriver::Visca
