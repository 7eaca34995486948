#include "cli/Operations.h"

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "quorvin/Controller.h"

namespace QuorvinCli {

namespace {

using CameraDriver::Controller;

const char* const kLink = "Link and cameras";
const char* const kPanTilt = "Device type and pan-tilt";
const char* const kZoom = "Zoom";
const char* const kFocus = "Focus";
const char* const kWhiteBalance = "White balance";
const char* const kExposure = "Exposure";
const char* const kAperture = "Aperture";
const char* const kPresets = "Preset memories";
const char* const kPicture = "Picture";
const char* const kSystem = "System and power";

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
        op("connect", kLink, &C::connect, {"port"}),
        op("disconnect", kLink, &C::disconnect),
        op("getCamerasTotal", kLink, &C::getCamerasTotal),
        inquiry("getCurCamera", kLink, &C::getCurCamera),
        op("setCurCamera", kLink, &C::setCurCamera, {"camera"}),

        {"getDeviceType", kPanTilt, {}, true, readDeviceType},
        {"getPanTilt", kPanTilt, {}, true, readPanTilt},
        op("setPanTilt", kPanTilt, &C::setPanTilt, {"pan", "tilt", "panSpeed", "tiltSpeed"}),
        op("moveUp", kPanTilt, &C::moveUp, {"tiltSpeed"}),
        op("moveDown", kPanTilt, &C::moveDown, {"tiltSpeed"}),
        op("moveLeft", kPanTilt, &C::moveLeft, {"panSpeed"}),
        op("moveRight", kPanTilt, &C::moveRight, {"panSpeed"}),
        op("moveUpLeft", kPanTilt, &C::moveUpLeft, {"tiltSpeed", "panSpeed"}),
        op("moveUpRight", kPanTilt, &C::moveUpRight, {"tiltSpeed", "panSpeed"}),
        op("moveDownLeft", kPanTilt, &C::moveDownLeft, {"tiltSpeed", "panSpeed"}),
        op("moveDownRight", kPanTilt, &C::moveDownRight, {"tiltSpeed", "panSpeed"}),
        op("moveHome", kPanTilt, &C::moveHome),
        op("stopMove", kPanTilt, &C::stopMove),

        op("zoomTele", kZoom, &C::zoomTele),
        op("zoomWide", kZoom, &C::zoomWide),
        op("zoomIn", kZoom, &C::zoomIn, {"speed"}),
        op("zoomOut", kZoom, &C::zoomOut, {"speed"}),
        op("stopZoom", kZoom, &C::stopZoom),
        inquiry("getZoom", kZoom, &C::getZoom),
        op("setZoom", kZoom, &C::setZoom, {"zoom"}),
        inquiry("getDZoomState", kZoom, &C::getDZoomState),
        op("setDZoomState", kZoom, &C::setDZoomState, {"on"}),

        inquiry("getFocusMode", kFocus, &C::getFocusMode),
        op("setFocusMode", kFocus, &C::setFocusMode, {"automatic"}),
        op("setAutoFocusSensitivity", kFocus, &C::setAutoFocusSensitivity, {"normal"}),
        inquiry("getFocus", kFocus, &C::getFocus),
        op("setFocus", kFocus, &C::setFocus, {"focus"}),
        op("focusNear", kFocus, &C::focusNear),
        op("focusFar", kFocus, &C::focusFar),
        op("focusInfinity", kFocus, &C::focusInfinity),
        op("focusToNear", kFocus, &C::focusToNear, {"speed"}),
        op("focusToFar", kFocus, &C::focusToFar, {"speed"}),
        op("stopFocusChange", kFocus, &C::stopFocusChange),
        inquiry("getFocusNearLimit", kFocus, &C::getFocusNearLimit),
        op("setFocusNearLimit", kFocus, &C::setFocusNearLimit, {"limit"}),
        op("onePushAutoFocus", kFocus, &C::onePushAutoFocus),

        inquiry("getWBMode", kWhiteBalance, &C::getWBMode),
        op("setWBMode", kWhiteBalance, &C::setWBMode, {"mode"}),
        op("onePushWBTrigger", kWhiteBalance, &C::onePushWBTrigger),
        inquiry("getRGain", kWhiteBalance, &C::getRGain),
        op("setRGain", kWhiteBalance, &C::setRGain, {"gain"}),
        op("increaseRGain", kWhiteBalance, &C::increaseRGain),
        op("decreaseRGain", kWhiteBalance, &C::decreaseRGain),
        op("resetRGain", kWhiteBalance, &C::resetRGain),
        inquiry("getBGain", kWhiteBalance, &C::getBGain),
        op("setBGain", kWhiteBalance, &C::setBGain, {"gain"}),
        op("increaseBGain", kWhiteBalance, &C::increaseBGain),
        op("decreaseBGain", kWhiteBalance, &C::decreaseBGain),
        op("resetBGain", kWhiteBalance, &C::resetBGain),

        inquiry("getAEMode", kExposure, &C::getAEMode),
        op("setAEMode", kExposure, &C::setAEMode, {"mode"}),
        inquiry("getSlowShutterMode", kExposure, &C::getSlowShutterMode),
        op("setSlowShutterMode", kExposure, &C::setSlowShutterMode, {"automatic"}),
        inquiry("getShutter", kExposure, &C::getShutter),
        op("setShutter", kExposure, &C::setShutter, {"shutter"}),
        op("upShutter", kExposure, &C::upShutter),
        op("downShutter", kExposure, &C::downShutter),
        op("resetShutter", kExposure, &C::resetShutter),
        inquiry("getIris", kExposure, &C::getIris),
        op("setIris", kExposure, &C::setIris, {"iris"}),
        op("upIris", kExposure, &C::upIris),
        op("downIris", kExposure, &C::downIris),
        op("resetIris", kExposure, &C::resetIris),
        inquiry("getGain", kExposure, &C::getGain),
        op("setGain", kExposure, &C::setGain, {"gain"}),
        op("upGain", kExposure, &C::upGain),
        op("downGain", kExposure, &C::downGain),
        op("resetGain", kExposure, &C::resetGain),
        inquiry("getBright", kExposure, &C::getBright),
        op("setBright", kExposure, &C::setBright, {"bright"}),
        op("upBright", kExposure, &C::upBright),
        op("downBright", kExposure, &C::downBright),
        op("resetBright", kExposure, &C::resetBright),
        inquiry("getExpCompState", kExposure, &C::getExpCompState),
        op("setExpCompState", kExposure, &C::setExpCompState, {"on"}),
        inquiry("getExpComp", kExposure, &C::getExpComp),
        op("setExpComp", kExposure, &C::setExpComp, {"expComp"}),
        op("upExpComp", kExposure, &C::upExpComp),
        op("downExpComp", kExposure, &C::downExpComp),
        op("resetExpComp", kExposure, &C::resetExpComp),
        inquiry("getBackLightState", kExposure, &C::getBackLightState),
        op("setBackLightState", kExposure, &C::setBackLightState, {"on"}),

        inquiry("getAperture", kAperture, &C::getAperture),
        op("setAperture", kAperture, &C::setAperture, {"aperture"}),
        op("upAperture", kAperture, &C::upAperture),
        op("downAperture", kAperture, &C::downAperture),
        op("resetAperture", kAperture, &C::resetAperture),

        op("memorySet", kPresets, &C::memorySet, {"preset"}),
        op("memoryRecall", kPresets, &C::memoryRecall, {"preset"}),
        op("memoryReset", kPresets, &C::memoryReset, {"preset"}),

        op("setWideMode", kPicture, &C::setWideMode, {"mode"}),
        op("setLrReverseState", kPicture, &C::setLrReverseState, {"reversed"}),
        op("setFreezeState", kPicture, &C::setFreezeState, {"frozen"}),
        op("setPictureEffectMode", kPicture, &C::setPictureEffectMode, {"mode"}),
        op("setDigitalEffectMode", kPicture, &C::setDigitalEffectMode, {"mode"}),
        op("setDigitalEffectLevel", kPicture, &C::setDigitalEffectLevel, {"level"}),

        op("setDataScreenState", kSystem, &C::setDataScreenState, {"on"}),
        op("setIrReceiveState", kSystem, &C::setIrReceiveState, {"on"}),
        op("setIrReceiveReturnState", kSystem, &C::setIrReceiveReturnState, {"on"}),
        inquiry("getPowerState", kSystem, &C::getPowerState),
        op("setPowerState", kSystem, &C::setPowerState, {"on"}),
        inquiry("getAutoPowerOffDelay", kSystem, &C::getAutoPowerOffDelay),
        op("setAutoPowerOffDelay", kSystem, &C::setAutoPowerOffDelay, {"delay"}),
    };
}

}  // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> table = buildTable();
    return table;
}

const std::vector<const char*>& groups() {
    static const std::vector<const char*> headings{kLink,         kPanTilt,  kZoom,     kFocus,
                                                   kWhiteBalance, kExposure, kAperture, kPresets,
                                                   kPicture,      kSystem};
    return headings;
}

const Operation* findOperation(std::string_view name) {
    for (const Operation& operation : operations()) {
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

}  // namespace QuorvinCli
