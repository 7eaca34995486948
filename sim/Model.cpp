#include "sim/Model.h"

namespace Camsim {

namespace {

// The frames of the camera library's operations, in the order of its public header. The five
// operations of the link itself (connect, disconnect, getCamerasTotal, getCurCamera,
// setCurCamera) send no frame to a camera and are not here.
const std::vector<OperationFrame> OPERATIONS = {
    {"getDeviceType", "09 00 02"},
    {"getPanTilt", "09 06 12"},
    {"setPanTilt", "01 06 02 .. .. 0. 0. 0. 0. 0. 0. 0. 0."},
    {"moveUp", "01 06 01 .. .. 03 01"},
    {"moveDown", "01 06 01 .. .. 03 02"},
    {"moveLeft", "01 06 01 .. .. 01 03"},
    {"moveRight", "01 06 01 .. .. 02 03"},
    {"moveUpLeft", "01 06 01 .. .. 01 01"},
    {"moveUpRight", "01 06 01 .. .. 02 01"},
    {"moveDownLeft", "01 06 01 .. .. 01 02"},
    {"moveDownRight", "01 06 01 .. .. 02 02"},
    {"moveHome", "01 06 04"},
    {"stopMove", "01 06 01 .. .. 03 03"},

    {"zoomTele", "01 04 07 02"},
    {"zoomWide", "01 04 07 03"},
    {"zoomIn", "01 04 07 2."},
    {"zoomOut", "01 04 07 3."},
    {"stopZoom", "01 04 07 00"},
    {"getZoom", "09 04 47"},
    {"setZoom", "01 04 47 0. 0. 0. 0."},
    {"getDZoomState", "09 04 06"},
    {"setDZoomState", "01 04 06 .."},

    {"getFocusMode", "09 04 38"},
    {"setFocusMode", "01 04 38 .."},
    {"setAutoFocusSensitivity", "01 04 58 .."},
    {"getFocus", "09 04 48"},
    {"setFocus", "01 04 48 0. 0. 0. 0."},
    {"focusNear", "01 04 08 03"},
    {"focusFar", "01 04 08 02"},
    {"focusInfinity", "01 04 18 02"},
    {"focusToNear", "01 04 08 3."},
    {"focusToFar", "01 04 08 2."},
    {"stopFocusChange", "01 04 08 00"},
    {"getFocusNearLimit", "09 04 28"},
    {"setFocusNearLimit", "01 04 28 0. 0. 0. 0."},
    {"onePushAutoFocus", "01 04 18 01"},

    {"getWBMode", "09 04 35"},
    {"setWBMode", "01 04 35 .."},
    {"onePushWBTrigger", "01 04 10 05"},
    {"getRGain", "09 04 43"},
    {"setRGain", "01 04 43 0. 0. 0. 0."},
    {"increaseRGain", "01 04 03 02"},
    {"decreaseRGain", "01 04 03 03"},
    {"resetRGain", "01 04 03 00"},
    {"getBGain", "09 04 44"},
    {"setBGain", "01 04 44 0. 0. 0. 0."},
    {"increaseBGain", "01 04 04 02"},
    {"decreaseBGain", "01 04 04 03"},
    {"resetBGain", "01 04 04 00"},

    {"getAEMode", "09 04 39"},
    {"setAEMode", "01 04 39 .."},
    {"getSlowShutterMode", "09 04 5A"},
    {"setSlowShutterMode", "01 04 5A .."},
    {"getShutter", "09 04 4A"},
    {"setShutter", "01 04 4A 0. 0. 0. 0."},
    {"upShutter", "01 04 0A 02"},
    {"downShutter", "01 04 0A 03"},
    {"resetShutter", "01 04 0A 00"},
    {"getIris", "09 04 4B"},
    {"setIris", "01 04 4B 0. 0. 0. 0."},
    {"upIris", "01 04 0B 02"},
    {"downIris", "01 04 0B 03"},
    {"resetIris", "01 04 0B 00"},
    {"getGain", "09 04 4C"},
    {"setGain", "01 04 4C 0. 0. 0. 0."},
    {"upGain", "01 04 0C 02"},
    {"downGain", "01 04 0C 03"},
    {"resetGain", "01 04 0C 00"},
    {"getBright", "09 04 4D"},
    {"setBright", "01 04 4D 0. 0. 0. 0."},
    {"upBright", "01 04 0D 02"},
    {"downBright", "01 04 0D 03"},
    {"resetBright", "01 04 0D 00"},
    {"getExpCompState", "09 04 3E"},
    {"setExpCompState", "01 04 3E .."},
    {"getExpComp", "09 04 4E"},
    {"setExpComp", "01 04 4E 0. 0. 0. 0."},
    {"upExpComp", "01 04 0E 02"},
    {"downExpComp", "01 04 0E 03"},
    {"resetExpComp", "01 04 0E 00"},
    {"getBackLightState", "09 04 33"},
    {"setBackLightState", "01 04 33 .."},

    {"getAperture", "09 04 42"},
    {"setAperture", "01 04 42 0. 0. 0. 0."},
    {"upAperture", "01 04 02 02"},
    {"downAperture", "01 04 02 03"},
    {"resetAperture", "01 04 02 00"},

    {"memorySet", "01 04 3F 01 .."},
    {"memoryRecall", "01 04 3F 02 .."},
    {"memoryReset", "01 04 3F 00 .."},

    {"setWideMode", "01 04 60 .."},
    {"setLrReverseState", "01 04 61 .."},
    {"setFreezeState", "01 04 62 .."},
    {"setPictureEffectMode", "01 04 63 .."},
    {"setDigitalEffectMode", "01 04 64 .."},
    {"setDigitalEffectLevel", "01 04 65 .."},

    {"setDataScreenState", "01 06 06 .."},
    {"setIrReceiveState", "01 06 08 .."},
    {"setIrReceiveReturnState", "01 7D 01 .. 00 00"},
    {"getPowerState", "09 04 00"},
    {"setPowerState", "01 04 00 .."},
    {"getAutoPowerOffDelay", "09 04 40"},
    {"setAutoPowerOffDelay", "01 04 40 0. 0. 0. 0."},
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // '.': any nibble
}

Model chainModel() {
    Model m;
    m.name = "chain";
    m.modelCode = 0x0002;
    m.rom = 0x0203;
    m.tiltSpeedMax = 0x17;
    m.pan = {-1360, 1360};
    m.tilt = {-240, 240};
    m.refused = {"getDZoomState", "getAutoPowerOffDelay"};
    m.lacks = {"setDZoomState", "setAutoPowerOffDelay"};
    return m;
}

Model networkModel() {
    Model m;
    m.name = "network";
    m.modelCode = 0x0003;
    m.rom = 0x0301;
    m.presets = 255;
    m.speedZeroAccepted = true;
    m.pan = {-1360, 1360};
    m.tilt = {-240, 720};
    m.networkChangeOnConnect = true;
    return m;
}

// Every model answers all the inquiries it does not refuse.
Model withAnswered(Model m) {
    m.answered.clear();
    for (const OperationFrame& operation : OPERATIONS) {
        if (!operation.inquiry()) continue;
        bool refused = false;
        for (const std::string& name : m.refused) refused = refused || name == operation.name;
        if (!refused) m.answered.emplace_back(operation.name);
    }
    return m;
}

}  // namespace

std::vector<std::uint8_t> Model::deviceType() const {
    return {static_cast<std::uint8_t>(vendor >> 8),
            static_cast<std::uint8_t>(vendor),
            static_cast<std::uint8_t>(modelCode >> 8),
            static_cast<std::uint8_t>(modelCode),
            static_cast<std::uint8_t>(rom >> 8),
            static_cast<std::uint8_t>(rom),
            maxSocket};
}

std::optional<Model> builtInModel(std::string_view name) {
    if (name == "standard") return withAnswered(Model{});
    if (name == "chain") return withAnswered(chainModel());
    if (name == "network") return withAnswered(networkModel());
    return std::nullopt;
}

const std::vector<std::string>& builtInModelNames() {
    static const std::vector<std::string> names{"standard", "chain", "network"};
    return names;
}

bool supportedLineSpeed(int baud) {
    for (int speed : LINE_SPEEDS) {
        if (baud == speed) return true;
    }
    return false;
}

bool OperationFrame::matches(const std::uint8_t* message, std::size_t length) const {
    std::size_t at = 0;
    for (const char* p = pattern; *p != '\0'; ++at) {
        if (at >= length) return false;
        const int high = hexDigit(p[0]);
        const int low = hexDigit(p[1]);
        if (high >= 0 && (message[at] >> 4) != high) return false;
        if (low >= 0 && (message[at] & 0x0F) != low) return false;
        p += 2;
        if (*p == ' ') ++p;
    }
    return at == length;
}

const std::vector<OperationFrame>& operationFrames() { return OPERATIONS; }

const OperationFrame* findOperation(std::string_view name) {
    for (const OperationFrame& operation : OPERATIONS) {
        if (name == operation.name) return &operation;
    }
    return nullptr;
}

}  // namespace Camsim
