#include "operations/Operations.h"

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "quorvin/Controller.h"

namespace Operations {

namespace {

using CameraDriver::Controller;

const char* const LINK = "Link and cameras";
const char* const PAN_TILT = "Device type and pan-tilt";
const char* const ZOOM = "Zoom";
const char* const FOCUS = "Focus";
const char* const WHITE_BALANCE = "White balance";
const char* const EXPOSURE = "Exposure";
const char* const APERTURE = "Aperture";
const char* const PRESETS = "Preset memories";
const char* const PICTURE = "Picture";
const char* const SYSTEM = "System and power";

// How each parameter type of the header is described on the command line and taken from a
// parsed Value. The parser has already checked the range of the parameter's own type.
template <typename T>
struct Arg;

template <>
struct Arg<int> {
    static ArgInfo arg(const char* name) { return {name, ArgKind::Int, nullptr}; }
    static int take(const Value& value) { return static_cast<int>(std::get<long long>(value)); }
};
template <>
struct Arg<long> {
    static ArgInfo arg(const char* name) { return {name, ArgKind::Long, nullptr}; }
    static long take(const Value& value) { return static_cast<long>(std::get<long long>(value)); }
};
template <>
struct Arg<double> {
    static ArgInfo arg(const char* name) { return {name, ArgKind::Double, nullptr}; }
    static double take(const Value& value) { return std::get<double>(value); }
};
template <>
struct Arg<bool> {
    static ArgInfo arg(const char* name) { return {name, ArgKind::Bool, nullptr}; }
    static bool take(const Value& value) { return std::get<bool>(value); }
};
template <>
struct Arg<const std::string&> {
    static ArgInfo arg(const char* name) { return {name, ArgKind::Text, nullptr}; }
    static const std::string& take(const Value& value) { return std::get<std::string>(value); }
};

template <typename E>
const EnumInfo& enumInfo();
template <>
const EnumInfo& enumInfo<Controller::WBMode>() {
    return wbModes();
}
template <>
const EnumInfo& enumInfo<Controller::AEMode>() {
    return aeModes();
}
template <>
const EnumInfo& enumInfo<Controller::WideMode>() {
    return wideModes();
}
template <>
const EnumInfo& enumInfo<Controller::PictureEffectMode>() {
    return pictureEffectModes();
}
template <>
const EnumInfo& enumInfo<Controller::DigitalEffectMode>() {
    return digitalEffectModes();
}

template <typename T>
struct Arg {
    static_assert(std::is_enum_v<T>, "a parameter type without a command-line form");
    static ArgInfo arg(const char* name) { return {name, ArgKind::Enum, &enumInfo<T>()}; }
    // The enumerations have int as their fixed underlying type, so every int is a value.
    static T take(const Value& value) {
        return static_cast<T>(static_cast<int>(std::get<long long>(value)));
    }
};

template <typename R>
Result toResult(R value) {
    if constexpr (std::is_same_v<R, bool>) {
        return value;
    } else if constexpr (std::is_same_v<R, double>) {
        return value;
    } else if constexpr (std::is_enum_v<R>) {
        return EnumResult{&enumInfo<R>(), static_cast<int>(value)};
    } else {
        static_assert(std::is_integral_v<R>, "a result type without a printed form");
        return static_cast<long long>(value);
    }
}

template <typename R, typename... A, std::size_t... I>
Result call(Controller& camera, R (Controller::*method)(A...), const std::vector<Value>& values,
            std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>) {
        (camera.*method)(Arg<A>::take(values[I])...);
        return {};
    } else {
        return toResult((camera.*method)(Arg<A>::take(values[I])...));
    }
}

// A row whose argument kinds and call both come from the method's own signature, so a row
// cannot disagree with the header about types. Only the parameter names are written out.
template <typename R, typename... A>
Operation op(const char* name, const char* group, R (Controller::*method)(A...),
             std::array<const char*, sizeof...(A)> argNames = {}) {
    std::vector<ArgInfo> args;
    std::size_t index = 0;
    ((args.push_back(Arg<A>::arg(argNames[index++]))), ...);
    (void)index;
    (void)argNames;
    return {name, group, std::move(args), false,
            [method](Controller& camera, const std::vector<Value>& values) {
                return call(camera, method, values, std::index_sequence_for<A...>{});
            }};
}

template <typename R>
Operation inquiry(const char* name, const char* group, R (Controller::*method)()) {
    Operation row = op(name, group, method);
    row.inquiry = true;
    return row;
}

Result readDeviceType(Controller& camera, const std::vector<Value>&) {
    // The library fills 16 bytes: the reply's data, its FF terminator, then zeros.
    unsigned char buffer[16] = {};
    camera.getDeviceType(buffer, sizeof buffer);
    Bytes data;
    for (unsigned char byte : buffer) {
        if (byte == 0xFF) {
            break;
        }
        data.push_back(byte);
    }
    return data;
}

Result readPanTilt(Controller& camera, const std::vector<Value>&) {
    PanTilt position{0.0, 0.0};
    camera.getPanTilt(position.pan, position.tilt);
    return position;
}

std::vector<Operation> buildTable() {
    using C = Controller;
    return {
        op("connect", LINK, &C::connect, {"port"}),
        op("disconnect", LINK, &C::disconnect),
        op("getCamerasTotal", LINK, &C::getCamerasTotal),
        inquiry("getCurCamera", LINK, &C::getCurCamera),
        op("setCurCamera", LINK, &C::setCurCamera, {"camera"}),

        {"getDeviceType", PAN_TILT, {}, true, readDeviceType},
        {"getPanTilt", PAN_TILT, {}, true, readPanTilt},
        op("setPanTilt", PAN_TILT, &C::setPanTilt, {"pan", "tilt", "panSpeed", "tiltSpeed"}),
        op("moveUp", PAN_TILT, &C::moveUp, {"tiltSpeed"}),
        op("moveDown", PAN_TILT, &C::moveDown, {"tiltSpeed"}),
        op("moveLeft", PAN_TILT, &C::moveLeft, {"panSpeed"}),
        op("moveRight", PAN_TILT, &C::moveRight, {"panSpeed"}),
        op("moveUpLeft", PAN_TILT, &C::moveUpLeft, {"tiltSpeed", "panSpeed"}),
        op("moveUpRight", PAN_TILT, &C::moveUpRight, {"tiltSpeed", "panSpeed"}),
        op("moveDownLeft", PAN_TILT, &C::moveDownLeft, {"tiltSpeed", "panSpeed"}),
        op("moveDownRight", PAN_TILT, &C::moveDownRight, {"tiltSpeed", "panSpeed"}),
        op("moveHome", PAN_TILT, &C::moveHome),
        op("stopMove", PAN_TILT, &C::stopMove),

        op("zoomTele", ZOOM, &C::zoomTele),
        op("zoomWide", ZOOM, &C::zoomWide),
        op("zoomIn", ZOOM, &C::zoomIn, {"speed"}),
        op("zoomOut", ZOOM, &C::zoomOut, {"speed"}),
        op("stopZoom", ZOOM, &C::stopZoom),
        inquiry("getZoom", ZOOM, &C::getZoom),
        op("setZoom", ZOOM, &C::setZoom, {"zoom"}),
        inquiry("getDZoomState", ZOOM, &C::getDZoomState),
        op("setDZoomState", ZOOM, &C::setDZoomState, {"on"}),

        inquiry("getFocusMode", FOCUS, &C::getFocusMode),
        op("setFocusMode", FOCUS, &C::setFocusMode, {"automatic"}),
        op("setAutoFocusSensitivity", FOCUS, &C::setAutoFocusSensitivity, {"normal"}),
        inquiry("getFocus", FOCUS, &C::getFocus),
        op("setFocus", FOCUS, &C::setFocus, {"focus"}),
        op("focusNear", FOCUS, &C::focusNear),
        op("focusFar", FOCUS, &C::focusFar),
        op("focusInfinity", FOCUS, &C::focusInfinity),
        op("focusToNear", FOCUS, &C::focusToNear, {"speed"}),
        op("focusToFar", FOCUS, &C::focusToFar, {"speed"}),
        op("stopFocusChange", FOCUS, &C::stopFocusChange),
        inquiry("getFocusNearLimit", FOCUS, &C::getFocusNearLimit),
        op("setFocusNearLimit", FOCUS, &C::setFocusNearLimit, {"limit"}),
        op("onePushAutoFocus", FOCUS, &C::onePushAutoFocus),

        inquiry("getWBMode", WHITE_BALANCE, &C::getWBMode),
        op("setWBMode", WHITE_BALANCE, &C::setWBMode, {"mode"}),
        op("onePushWBTrigger", WHITE_BALANCE, &C::onePushWBTrigger),
        inquiry("getRGain", WHITE_BALANCE, &C::getRGain),
        op("setRGain", WHITE_BALANCE, &C::setRGain, {"gain"}),
        op("increaseRGain", WHITE_BALANCE, &C::increaseRGain),
        op("decreaseRGain", WHITE_BALANCE, &C::decreaseRGain),
        op("resetRGain", WHITE_BALANCE, &C::resetRGain),
        inquiry("getBGain", WHITE_BALANCE, &C::getBGain),
        op("setBGain", WHITE_BALANCE, &C::setBGain, {"gain"}),
        op("increaseBGain", WHITE_BALANCE, &C::increaseBGain),
        op("decreaseBGain", WHITE_BALANCE, &C::decreaseBGain),
        op("resetBGain", WHITE_BALANCE, &C::resetBGain),

        inquiry("getAEMode", EXPOSURE, &C::getAEMode),
        op("setAEMode", EXPOSURE, &C::setAEMode, {"mode"}),
        inquiry("getSlowShutterMode", EXPOSURE, &C::getSlowShutterMode),
        op("setSlowShutterMode", EXPOSURE, &C::setSlowShutterMode, {"automatic"}),
        inquiry("getShutter", EXPOSURE, &C::getShutter),
        op("setShutter", EXPOSURE, &C::setShutter, {"shutter"}),
        op("upShutter", EXPOSURE, &C::upShutter),
        op("downShutter", EXPOSURE, &C::downShutter),
        op("resetShutter", EXPOSURE, &C::resetShutter),
        inquiry("getIris", EXPOSURE, &C::getIris),
        op("setIris", EXPOSURE, &C::setIris, {"iris"}),
        op("upIris", EXPOSURE, &C::upIris),
        op("downIris", EXPOSURE, &C::downIris),
        op("resetIris", EXPOSURE, &C::resetIris),
        inquiry("getGain", EXPOSURE, &C::getGain),
        op("setGain", EXPOSURE, &C::setGain, {"gain"}),
        op("upGain", EXPOSURE, &C::upGain),
        op("downGain", EXPOSURE, &C::downGain),
        op("resetGain", EXPOSURE, &C::resetGain),
        inquiry("getBright", EXPOSURE, &C::getBright),
        op("setBright", EXPOSURE, &C::setBright, {"bright"}),
        op("upBright", EXPOSURE, &C::upBright),
        op("downBright", EXPOSURE, &C::downBright),
        op("resetBright", EXPOSURE, &C::resetBright),
        inquiry("getExpCompState", EXPOSURE, &C::getExpCompState),
        op("setExpCompState", EXPOSURE, &C::setExpCompState, {"on"}),
        inquiry("getExpComp", EXPOSURE, &C::getExpComp),
        op("setExpComp", EXPOSURE, &C::setExpComp, {"expComp"}),
        op("upExpComp", EXPOSURE, &C::upExpComp),
        op("downExpComp", EXPOSURE, &C::downExpComp),
        op("resetExpComp", EXPOSURE, &C::resetExpComp),
        inquiry("getBackLightState", EXPOSURE, &C::getBackLightState),
        op("setBackLightState", EXPOSURE, &C::setBackLightState, {"on"}),

        inquiry("getAperture", APERTURE, &C::getAperture),
        op("setAperture", APERTURE, &C::setAperture, {"aperture"}),
        op("upAperture", APERTURE, &C::upAperture),
        op("downAperture", APERTURE, &C::downAperture),
        op("resetAperture", APERTURE, &C::resetAperture),

        op("memorySet", PRESETS, &C::memorySet, {"preset"}),
        op("memoryRecall", PRESETS, &C::memoryRecall, {"preset"}),
        op("memoryReset", PRESETS, &C::memoryReset, {"preset"}),

        op("setWideMode", PICTURE, &C::setWideMode, {"mode"}),
        op("setLrReverseState", PICTURE, &C::setLrReverseState, {"reversed"}),
        op("setFreezeState", PICTURE, &C::setFreezeState, {"frozen"}),
        op("setPictureEffectMode", PICTURE, &C::setPictureEffectMode, {"mode"}),
        op("setDigitalEffectMode", PICTURE, &C::setDigitalEffectMode, {"mode"}),
        op("setDigitalEffectLevel", PICTURE, &C::setDigitalEffectLevel, {"level"}),

        op("setDataScreenState", SYSTEM, &C::setDataScreenState, {"on"}),
        op("setIrReceiveState", SYSTEM, &C::setIrReceiveState, {"on"}),
        op("setIrReceiveReturnState", SYSTEM, &C::setIrReceiveReturnState, {"on"}),
        inquiry("getPowerState", SYSTEM, &C::getPowerState),
        op("setPowerState", SYSTEM, &C::setPowerState, {"on"}),
        inquiry("getAutoPowerOffDelay", SYSTEM, &C::getAutoPowerOffDelay),
        op("setAutoPowerOffDelay", SYSTEM, &C::setAutoPowerOffDelay, {"delay"}),
    };
}

}  // namespace

const std::vector<Operation>& all() {
    static const std::vector<Operation> table = buildTable();
    return table;
}

const std::vector<const char*>& groups() {
    static const std::vector<const char*> headings{
        LINK, PAN_TILT, ZOOM, FOCUS, WHITE_BALANCE, EXPOSURE, APERTURE, PRESETS, PICTURE, SYSTEM};
    return headings;
}

const Operation* find(std::string_view name) {
    for (const Operation& operation : all()) {
        if (name == operation.name) {
            return &operation;
        }
    }
    return nullptr;
}

std::string usageOf(const Operation& operation) {
    std::string text = operation.name;
    for (const ArgInfo& arg : operation.args) {
        text += " <";
        text += arg.name;
        text += ':';
        text += kindName(arg);
        text += '>';
    }
    return text;
}

}  // namespace Operations
