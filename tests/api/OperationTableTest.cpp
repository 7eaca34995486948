// Every exported operation, driven through the public Controller against a scripted camera:
// the frames that reach the wire and what the caller gets back, one table row per case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "tests/api/ControllerOperations.h"
#include "tests/support/ControllerAccess.h"
#include "tests/support/Hex.h"
#include "tests/support/TestName.h"

namespace ApiTest {
namespace {

using namespace CameraDriver;
using namespace TestSupport;

// What an operation gave its caller: nothing, a value, the bytes it filled, or the text of
// the DriverException it threw.
struct Thrown {
    std::string message;
};
using Doubles = std::vector<double>;
using Result = std::variant<std::monostate, bool, long, double, Doubles, Bytes, Thrown>;

template <typename Call>
Result capture(Call call) {
    using R = decltype(call());
    try {
        if constexpr (std::is_void_v<R>) {
            call();
            return std::monostate{};
        } else if constexpr (std::is_same_v<R, bool> || std::is_floating_point_v<R>) {
            return call();
        } else if constexpr (std::is_integral_v<R> || std::is_enum_v<R>) {
            // int, long and the enumerations all compare as their numeric value.
            return static_cast<long>(call());
        } else {
            return Result(call());
        }
    } catch (const DriverException& e) {
        return Thrown{e.what()};
    }
}

using Operation = std::function<Result(Controller&)>;

#define OP(call) [](Controller& c) { return capture([&] { return c.call; }); }

struct Case {
    std::string name;  // starts with the operation's name and its opening parenthesis
    Operation call;
    std::vector<std::string> replies;  // bursts the camera answers with; "!text" fails the recv
    std::vector<std::string> frames;   // what must reach the wire, in order
    Result expected;
    int camera = 1;
    double tolerance = 0;  // for results that are only defined to within a rounding error
};

// Camera 1's replies.
const std::string DONE = "90 41 FF 90 51 FF";
std::string data(const std::string& bytes) { return "90 50 " + bytes + " FF"; }

const Result NONE = std::monostate{};
Result fails(std::string message) { return Thrown{std::move(message)}; }
Result bytes(const std::string& text) { return hex(text); }

// getDeviceType into a 20-byte buffer pre-filled with AA: what the call wrote, and that it
// wrote nothing at or past `size`.
Operation deviceType(unsigned long size) {
    return [size](Controller& c) {
        return capture([&] {
            Bytes buffer(20, 0xAA);
            c.getDeviceType(buffer.data(), size);
            return buffer;
        });
    };
}

Operation panTilt() {
    return [](Controller& c) {
        return capture([&] {
            double pan = NAN;
            double tilt = NAN;
            c.getPanTilt(pan, tilt);
            return Doubles{pan, tilt};
        });
    };
}

// One row per case; kept in columns by hand, as the formatter would split every field apart.
// clang-format off
const std::vector<Case>& cases() {
    using C = Controller;
    static const std::vector<Case> table = {
        // Link and camera selection. The broadcasts keep their header whatever the camera.
        {"connect(COM1)", OP(connect("COM1")),
         {"88 30 02 FF", "88 01 00 01 FF"}, {"88 30 01 FF", "88 01 00 01 FF"}, NONE},
        {"connect(COM1) with camera 3", OP(connect("COM1")),
         {"88 30 02 FF", "88 01 00 01 FF"}, {"88 30 01 FF", "88 01 00 01 FF"}, NONE, 3},
        {"connect(COM1) with no camera on the line", OP(connect("COM1")),
         {"88 30 01 FF"}, {"88 30 01 FF"}, fails("No camera connected !")},
        {"disconnect()", OP(disconnect()), {}, {}, NONE},
        {"getCamerasTotal() with three", OP(getCamerasTotal()), {"88 30 04 FF"}, {"88 30 01 FF"}, 3L},
        {"getCamerasTotal() with seven", OP(getCamerasTotal()), {"88 30 08 FF"}, {"88 30 01 FF"}, 7L},
        {"getCurCamera()", OP(getCurCamera()), {}, {}, 3L, 3},
        {"setCurCamera(2) then moveHome()",
         [](Controller& c) { return capture([&] { c.setCurCamera(2); c.moveHome(); }); },
         {"A0 41 FF A0 51 FF"}, {"82 01 06 04 FF"}, NONE},

        // The current camera goes into the header, and its reply header is expected back.
        {"zoomTele() to camera 3", OP(zoomTele()), {"B0 41 FF B0 51 FF"}, {"83 01 04 07 02 FF"}, NONE, 3},
        {"zoomTele() to camera 3 answered by camera 1", OP(zoomTele()),
         {DONE}, {"83 01 04 07 02 FF"}, fails(ScriptedComm::NO_REPLY), 3},
        {"getPowerState() of camera 3", OP(getPowerState()), {"B0 50 02 FF"}, {"83 09 04 00 FF"}, true, 3},

        // Pan and tilt: pan speed 0 means 24 (18), tilt speed 0 means 20 (14).
        {"moveUp(0)", OP(moveUp(0)), {DONE}, {"81 01 06 01 18 14 03 01 FF"}, NONE},
        {"moveUp(7)", OP(moveUp(7)), {DONE}, {"81 01 06 01 18 07 03 01 FF"}, NONE},
        {"moveDown(0)", OP(moveDown(0)), {DONE}, {"81 01 06 01 18 14 03 02 FF"}, NONE},
        {"moveDown(3)", OP(moveDown(3)), {DONE}, {"81 01 06 01 18 03 03 02 FF"}, NONE},
        {"moveLeft(0)", OP(moveLeft(0)), {DONE}, {"81 01 06 01 18 14 01 03 FF"}, NONE},
        {"moveLeft(300) sends the low byte", OP(moveLeft(300)), {DONE}, {"81 01 06 01 2C 14 01 03 FF"}, NONE},
        {"moveRight(0)", OP(moveRight(0)), {DONE}, {"81 01 06 01 18 14 02 03 FF"}, NONE},
        {"moveRight(12)", OP(moveRight(12)), {DONE}, {"81 01 06 01 0C 14 02 03 FF"}, NONE},
        // The diagonals take the tilt speed first; the packet carries the pan speed first.
        {"moveUpLeft(5, 9)", OP(moveUpLeft(5, 9)), {DONE}, {"81 01 06 01 09 05 01 01 FF"}, NONE},
        {"moveUpLeft(0, 0)", OP(moveUpLeft(0, 0)), {DONE}, {"81 01 06 01 18 14 01 01 FF"}, NONE},
        {"moveUpRight(5, 9)", OP(moveUpRight(5, 9)), {DONE}, {"81 01 06 01 09 05 02 01 FF"}, NONE},
        {"moveDownLeft(5, 9)", OP(moveDownLeft(5, 9)), {DONE}, {"81 01 06 01 09 05 01 02 FF"}, NONE},
        {"moveDownRight(0, 0)", OP(moveDownRight(0, 0)), {DONE}, {"81 01 06 01 18 14 02 02 FF"}, NONE},
        {"moveDownRight(5, 9)", OP(moveDownRight(5, 9)), {DONE}, {"81 01 06 01 09 05 02 02 FF"}, NONE},
        {"moveHome()", OP(moveHome()), {DONE}, {"81 01 06 04 FF"}, NONE},
        {"stopMove()", OP(stopMove()), {DONE}, {"81 01 06 01 18 14 03 03 FF"}, NONE},
        {"setPanTilt(0, 0, 0, 0)", OP(setPanTilt(0, 0, 0, 0)),
         {DONE}, {"81 01 06 02 18 14 00 00 00 00 00 00 00 00 FF"}, NONE},
        {"setPanTilt(1, -1, 3, 2)", OP(setPanTilt(1, -1, 3, 2)),
         {DONE}, {"81 01 06 02 03 02 00 05 0A 00 0F 0E 09 08 FF"}, NONE},
        {"setPanTilt(-1, 1, 0, 0)", OP(setPanTilt(-1, 1, 0, 0)),
         {DONE}, {"81 01 06 02 18 14 0F 0A 06 00 00 01 06 08 FF"}, NONE},
        {"setPanTilt(-0.9, 0.9, 0, 0) truncates toward zero", OP(setPanTilt(-0.9, 0.9, 0, 0)),
         {DONE}, {"81 01 06 02 18 14 0F 0A 0E 0F 00 01 04 04 FF"}, NONE},
        {"setPanTilt(1.5, 0, 0, 0) is not clamped", OP(setPanTilt(1.5, 0, 0, 0)),
         {DONE}, {"81 01 06 02 18 14 00 08 07 00 00 00 00 00 FF"}, NONE},
        {"getPanTilt() at the far corner", panTilt(),
         {data("0F 0A 06 00 00 01 06 08")}, {"81 09 06 12 FF"}, Doubles{-1.0, 1.0}},
        {"getPanTilt() at the centre", panTilt(),
         {data("00 00 00 00 00 00 00 00")}, {"81 09 06 12 FF"}, Doubles{0.0, 0.0}, 1, 1e-16},

        // Zoom. The speed is ORed in unmasked, so 16 turns "in" into "out".
        {"zoomTele()", OP(zoomTele()), {DONE}, {"81 01 04 07 02 FF"}, NONE},
        {"zoomWide()", OP(zoomWide()), {DONE}, {"81 01 04 07 03 FF"}, NONE},
        {"zoomIn(0)", OP(zoomIn(0)), {DONE}, {"81 01 04 07 20 FF"}, NONE},
        {"zoomIn(2)", OP(zoomIn(2)), {DONE}, {"81 01 04 07 22 FF"}, NONE},
        {"zoomIn(16)", OP(zoomIn(16)), {DONE}, {"81 01 04 07 30 FF"}, NONE},
        {"zoomOut(0)", OP(zoomOut(0)), {DONE}, {"81 01 04 07 30 FF"}, NONE},
        {"zoomOut(5)", OP(zoomOut(5)), {DONE}, {"81 01 04 07 35 FF"}, NONE},
        {"stopZoom()", OP(stopZoom()), {DONE}, {"81 01 04 07 00 FF"}, NONE},
        // Both zoom position operations ask for the digital zoom state, every time.
        {"setZoom(0.5) with digital zoom off", OP(setZoom(0.5)),
         {data("03"), DONE}, {"81 09 04 06 FF", "81 01 04 47 02 00 00 00 FF"}, NONE},
        {"setZoom(0.5) with digital zoom on", OP(setZoom(0.5)),
         {data("02"), DONE}, {"81 09 04 06 FF", "81 01 04 47 03 08 00 00 FF"}, NONE},
        // A camera without digital zoom refuses its inquiry as unknown: its zoom is optical.
        {"setZoom(0.5) on a camera without digital zoom", OP(setZoom(0.5)),
         {"90 60 02 FF", DONE}, {"81 09 04 06 FF", "81 01 04 47 02 00 00 00 FF"}, NONE},
        {"getZoom() on a camera without digital zoom", OP(getZoom()),
         {data("04 00 00 00"), "90 60 02 FF"}, {"81 09 04 47 FF", "81 09 04 06 FF"}, 1.0},
        {"setZoom(0.5) when the digital zoom inquiry fails otherwise", OP(setZoom(0.5)),
         {"90 60 03 FF"}, {"81 09 04 06 FF"}, fails("Executing the command failed !")},
        {"getZoom() with digital zoom off", OP(getZoom()),
         {data("04 00 00 00"), data("03")}, {"81 09 04 47 FF", "81 09 04 06 FF"}, 1.0},
        {"getZoom() with digital zoom on", OP(getZoom()),
         {data("04 00 00 00"), data("02")}, {"81 09 04 47 FF", "81 09 04 06 FF"}, 0.5714285714285714},
        {"setDZoomState(true)", OP(setDZoomState(true)), {DONE}, {"81 01 04 06 02 FF"}, NONE},
        {"setDZoomState(false)", OP(setDZoomState(false)), {DONE}, {"81 01 04 06 03 FF"}, NONE},
        {"getDZoomState() on 02", OP(getDZoomState()), {data("02")}, {"81 09 04 06 FF"}, true},
        {"getDZoomState() on 03", OP(getDZoomState()), {data("03")}, {"81 09 04 06 FF"}, false},
        {"getDZoomState() on 04", OP(getDZoomState()), {data("04")}, {"81 09 04 06 FF"}, false},

        // Focus.
        {"setFocusMode(true)", OP(setFocusMode(true)), {DONE}, {"81 01 04 38 02 FF"}, NONE},
        {"setFocusMode(false)", OP(setFocusMode(false)), {DONE}, {"81 01 04 38 03 FF"}, NONE},
        {"getFocusMode() on 02", OP(getFocusMode()), {data("02")}, {"81 09 04 38 FF"}, true},
        {"getFocusMode() on 03", OP(getFocusMode()), {data("03")}, {"81 09 04 38 FF"}, false},
        {"getFocusMode() on 00", OP(getFocusMode()),
         {data("00")}, {"81 09 04 38 FF"}, fails("CAM_FocusModeInq's response error !")},
        {"focusFar()", OP(focusFar()), {DONE}, {"81 01 04 08 02 FF"}, NONE},
        {"focusNear()", OP(focusNear()), {DONE}, {"81 01 04 08 03 FF"}, NONE},
        {"focusToFar(0)", OP(focusToFar(0)), {DONE}, {"81 01 04 08 20 FF"}, NONE},
        {"focusToFar(3)", OP(focusToFar(3)), {DONE}, {"81 01 04 08 23 FF"}, NONE},
        {"focusToNear(3)", OP(focusToNear(3)), {DONE}, {"81 01 04 08 33 FF"}, NONE},
        {"focusToNear(16)", OP(focusToNear(16)), {DONE}, {"81 01 04 08 30 FF"}, NONE},
        {"stopFocusChange()", OP(stopFocusChange()), {DONE}, {"81 01 04 08 00 FF"}, NONE},
        {"focusInfinity()", OP(focusInfinity()), {DONE}, {"81 01 04 18 02 FF"}, NONE},
        {"onePushAutoFocus()", OP(onePushAutoFocus()), {DONE}, {"81 01 04 18 01 FF"}, NONE},
        {"setFocus(0)", OP(setFocus(0)), {DONE}, {"81 01 04 48 01 00 00 00 FF"}, NONE},
        {"setFocus(0.5)", OP(setFocus(0.5)), {DONE}, {"81 01 04 48 04 0A 00 00 FF"}, NONE},
        {"setFocus(1)", OP(setFocus(1)), {DONE}, {"81 01 04 48 08 04 00 00 FF"}, NONE},
        {"getFocus() on 0000 lies below the range", OP(getFocus()),
         {data("00 00 00 00")}, {"81 09 04 48 FF"}, -0.13793103448275862},
        {"getFocus() on 1000", OP(getFocus()), {data("01 00 00 00")}, {"81 09 04 48 FF"}, 0.0},
        {"getFocus() on 8400", OP(getFocus()), {data("08 04 00 00")}, {"81 09 04 48 FF"}, 1.0, 1, 2e-16},
        {"setFocusNearLimit(0.5)", OP(setFocusNearLimit(0.5)), {DONE}, {"81 01 04 28 04 0A 00 00 FF"}, NONE},
        {"getFocusNearLimit()", OP(getFocusNearLimit()), {data("01 00 00 00")}, {"81 09 04 28 FF"}, 0.0},
        {"setAutoFocusSensitivity(true)", OP(setAutoFocusSensitivity(true)), {DONE}, {"81 01 04 58 02 FF"}, NONE},
        {"setAutoFocusSensitivity(false)", OP(setAutoFocusSensitivity(false)), {DONE}, {"81 01 04 58 03 FF"}, NONE},

        // White balance and colour gains.
        {"setWBMode(WBManual)", OP(setWBMode(C::WBManual)), {DONE}, {"81 01 04 35 05 FF"}, NONE},
        {"setWBMode(WBAuto)", OP(setWBMode(C::WBAuto)), {DONE}, {"81 01 04 35 00 FF"}, NONE},
        {"getWBMode()", OP(getWBMode()), {data("05")}, {"81 09 04 35 FF"}, long{C::WBManual}},
        {"onePushWBTrigger()", OP(onePushWBTrigger()), {DONE}, {"81 01 04 10 05 FF"}, NONE},
        {"setRGain(255)", OP(setRGain(255)), {DONE}, {"81 01 04 43 00 00 0F 0F FF"}, NONE},
        {"getRGain()", OP(getRGain()), {data("00 00 0F 0F")}, {"81 09 04 43 FF"}, 255L},
        {"increaseRGain()", OP(increaseRGain()), {DONE}, {"81 01 04 03 02 FF"}, NONE},
        {"decreaseRGain()", OP(decreaseRGain()), {DONE}, {"81 01 04 03 03 FF"}, NONE},
        {"resetRGain()", OP(resetRGain()), {DONE}, {"81 01 04 03 00 FF"}, NONE},
        {"setBGain(0x1234)", OP(setBGain(0x1234)), {DONE}, {"81 01 04 44 01 02 03 04 FF"}, NONE},
        {"getBGain() on FFFF is not negative", OP(getBGain()),
         {data("0F 0F 0F 0F")}, {"81 09 04 44 FF"}, 65535L},
        {"increaseBGain()", OP(increaseBGain()), {DONE}, {"81 01 04 04 02 FF"}, NONE},
        {"decreaseBGain()", OP(decreaseBGain()), {DONE}, {"81 01 04 04 03 FF"}, NONE},
        {"resetBGain()", OP(resetBGain()), {DONE}, {"81 01 04 04 00 FF"}, NONE},

        // Exposure.
        {"setAEMode(AEShutterPriority)", OP(setAEMode(C::AEShutterPriority)), {DONE}, {"81 01 04 39 0A FF"}, NONE},
        {"setAEMode(0x107) sends the low byte", OP(setAEMode(static_cast<C::AEMode>(0x107))),
         {DONE}, {"81 01 04 39 07 FF"}, NONE},
        {"getAEMode()", OP(getAEMode()), {data("0D")}, {"81 09 04 39 FF"}, long{C::AEBright}},
        {"getAEMode() on a code outside the list", OP(getAEMode()), {data("07")}, {"81 09 04 39 FF"}, 7L},
        {"getAEMode() on a byte that is no nibble", OP(getAEMode()), {data("C8")}, {"81 09 04 39 FF"}, fails("Executing the command failed !")},
        {"setSlowShutterMode(true)", OP(setSlowShutterMode(true)), {DONE}, {"81 01 04 5A 02 FF"}, NONE},
        {"setSlowShutterMode(false)", OP(setSlowShutterMode(false)), {DONE}, {"81 01 04 5A 03 FF"}, NONE},
        {"getSlowShutterMode()", OP(getSlowShutterMode()), {data("02")}, {"81 09 04 5A FF"}, true},
        {"setShutter(19)", OP(setShutter(19)), {DONE}, {"81 01 04 4A 00 00 01 03 FF"}, NONE},
        {"getShutter()", OP(getShutter()), {data("00 00 01 03")}, {"81 09 04 4A FF"}, 19L},
        {"upShutter()", OP(upShutter()), {DONE}, {"81 01 04 0A 02 FF"}, NONE},
        {"downShutter()", OP(downShutter()), {DONE}, {"81 01 04 0A 03 FF"}, NONE},
        {"resetShutter()", OP(resetShutter()), {DONE}, {"81 01 04 0A 00 FF"}, NONE},
        {"setIris(17)", OP(setIris(17)), {DONE}, {"81 01 04 4B 00 00 01 01 FF"}, NONE},
        {"getIris()", OP(getIris()), {data("00 00 00 0B")}, {"81 09 04 4B FF"}, 11L},
        {"upIris()", OP(upIris()), {DONE}, {"81 01 04 0B 02 FF"}, NONE},
        {"downIris()", OP(downIris()), {DONE}, {"81 01 04 0B 03 FF"}, NONE},
        {"resetIris()", OP(resetIris()), {DONE}, {"81 01 04 0B 00 FF"}, NONE},
        {"setGain(7)", OP(setGain(7)), {DONE}, {"81 01 04 4C 00 00 00 07 FF"}, NONE},
        {"getGain()", OP(getGain()), {data("00 00 00 07")}, {"81 09 04 4C FF"}, 7L},
        {"upGain()", OP(upGain()), {DONE}, {"81 01 04 0C 02 FF"}, NONE},
        {"downGain()", OP(downGain()), {DONE}, {"81 01 04 0C 03 FF"}, NONE},
        {"resetGain()", OP(resetGain()), {DONE}, {"81 01 04 0C 00 FF"}, NONE},
        {"setBright(0x1F)", OP(setBright(0x1F)), {DONE}, {"81 01 04 4D 00 00 01 0F FF"}, NONE},
        {"getBright()", OP(getBright()), {data("00 00 01 0F")}, {"81 09 04 4D FF"}, 31L},
        {"upBright()", OP(upBright()), {DONE}, {"81 01 04 0D 02 FF"}, NONE},
        {"downBright()", OP(downBright()), {DONE}, {"81 01 04 0D 03 FF"}, NONE},
        {"resetBright()", OP(resetBright()), {DONE}, {"81 01 04 0D 00 FF"}, NONE},
        {"setExpCompState(true)", OP(setExpCompState(true)), {DONE}, {"81 01 04 3E 02 FF"}, NONE},
        {"getExpCompState()", OP(getExpCompState()), {data("03")}, {"81 09 04 3E FF"}, false},
        {"setExpComp(-1) goes out as 16-bit two's complement", OP(setExpComp(-1)),
         {DONE}, {"81 01 04 4E 0F 0F 0F 0F FF"}, NONE},
        {"getExpComp() on FFFF is not negative", OP(getExpComp()),
         {data("0F 0F 0F 0F")}, {"81 09 04 4E FF"}, 65535L},
        {"upExpComp()", OP(upExpComp()), {DONE}, {"81 01 04 0E 02 FF"}, NONE},
        {"downExpComp()", OP(downExpComp()), {DONE}, {"81 01 04 0E 03 FF"}, NONE},
        {"resetExpComp()", OP(resetExpComp()), {DONE}, {"81 01 04 0E 00 FF"}, NONE},
        {"setBackLightState(true)", OP(setBackLightState(true)), {DONE}, {"81 01 04 33 02 FF"}, NONE},
        {"getBackLightState() on 02", OP(getBackLightState()), {data("02")}, {"81 09 04 33 FF"}, true},
        {"getBackLightState() on 03", OP(getBackLightState()), {data("03")}, {"81 09 04 33 FF"}, false},
        {"getBackLightState() on 07", OP(getBackLightState()), {data("07")}, {"81 09 04 33 FF"}, false},

        // Aperture.
        {"setAperture(0x0A)", OP(setAperture(0x0A)), {DONE}, {"81 01 04 42 00 00 00 0A FF"}, NONE},
        {"getAperture()", OP(getAperture()), {data("00 00 00 0A")}, {"81 09 04 42 FF"}, 10L},
        {"upAperture()", OP(upAperture()), {DONE}, {"81 01 04 02 02 FF"}, NONE},
        {"downAperture()", OP(downAperture()), {DONE}, {"81 01 04 02 03 FF"}, NONE},
        {"resetAperture()", OP(resetAperture()), {DONE}, {"81 01 04 02 00 FF"}, NONE},

        // Preset memories. The acknowledgement and the completion may come in two bursts.
        {"memorySet(1) answered in two bursts", OP(memorySet(1)),
         {"90 41 FF", "90 51 FF"}, {"81 01 04 3F 01 01 FF"}, NONE},
        {"memoryRecall(3)", OP(memoryRecall(3)), {DONE}, {"81 01 04 3F 02 03 FF"}, NONE},
        {"memoryReset(0x105) sends the low byte", OP(memoryReset(0x105)), {DONE}, {"81 01 04 3F 00 05 FF"}, NONE},

        // Picture.
        {"setWideMode(WideCinema)", OP(setWideMode(C::WideCinema)), {DONE}, {"81 01 04 60 01 FF"}, NONE},
        {"setLrReverseState(true)", OP(setLrReverseState(true)), {DONE}, {"81 01 04 61 02 FF"}, NONE},
        {"setLrReverseState(false)", OP(setLrReverseState(false)), {DONE}, {"81 01 04 61 03 FF"}, NONE},
        {"setFreezeState(true)", OP(setFreezeState(true)), {DONE}, {"81 01 04 62 02 FF"}, NONE},
        {"setPictureEffectMode(PictureEffectSepia)", OP(setPictureEffectMode(C::PictureEffectSepia)),
         {DONE}, {"81 01 04 63 03 FF"}, NONE},
        {"setDigitalEffectMode(DigitalEffectLumi)", OP(setDigitalEffectMode(C::DigitalEffectLumi)),
         {DONE}, {"81 01 04 64 03 FF"}, NONE},
        {"setDigitalEffectLevel(0x20) is a whole byte", OP(setDigitalEffectLevel(0x20)),
         {DONE}, {"81 01 04 65 20 FF"}, NONE},

        // System and power.
        {"setDataScreenState(true)", OP(setDataScreenState(true)), {DONE}, {"81 01 06 06 02 FF"}, NONE},
        {"setIrReceiveState(false)", OP(setIrReceiveState(false)), {DONE}, {"81 01 06 08 03 FF"}, NONE},
        {"setIrReceiveReturnState(true)", OP(setIrReceiveReturnState(true)),
         {DONE}, {"81 01 7D 01 03 00 00 FF"}, NONE},
        {"setIrReceiveReturnState(false)", OP(setIrReceiveReturnState(false)),
         {DONE}, {"81 01 7D 01 13 00 00 FF"}, NONE},
        {"getPowerState() on 02", OP(getPowerState()), {data("02")}, {"81 09 04 00 FF"}, true},
        {"getPowerState() on 03", OP(getPowerState()), {data("03")}, {"81 09 04 00 FF"}, false},
        {"getPowerState() on 00", OP(getPowerState()),
         {data("00")}, {"81 09 04 00 FF"}, fails("CAM_PowerInq's result error !")},
        {"setPowerState(false)", OP(setPowerState(false)), {DONE}, {"81 01 04 00 03 FF"}, NONE},
        {"setPowerState(true) refused", OP(setPowerState(true)),
         {"90 61 41 FF"}, {"81 01 04 00 02 FF"}, fails("NOT_EXECUTABLE error ocurred when executing the command !")},
        {"getAutoPowerOffDelay()", OP(getAutoPowerOffDelay()), {data("00 00 0A 00")}, {"81 09 04 40 FF"}, 160L},
        {"setAutoPowerOffDelay(0x12345) sends the low 16 bits", OP(setAutoPowerOffDelay(0x12345)),
         {DONE}, {"81 01 04 40 02 03 04 05 FF"}, NONE},
        {"getDeviceType(buffer, 16)", deviceType(16),
         {data("00 01 00 02 00 03 04")}, {"81 09 00 02 FF"},
         bytes("00 01 00 02 00 03 04 FF 00 00 00 00 00 00 00 00 AA AA AA AA")},
        {"getDeviceType(buffer, 5) writes five bytes only", deviceType(5),
         {data("00 01 00 02 00 03 04")}, {"81 09 00 02 FF"},
         bytes("00 01 00 02 00 AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA")},

        // Failures of the exchange reach the caller unchanged.
        {"moveUp(1) refused by the camera", OP(moveUp(1)),
         {"90 60 02 FF"}, {"81 01 06 01 18 01 03 01 FF"}, fails("SYNTAX_ERROR ocurred when executing the command !")},
        {"getIris() when the line fails", OP(getIris()),
         {"!line dropped"}, {"81 09 04 4B FF"}, fails("line dropped")},
    };
    return table;
}
// clang-format on

std::string describe(const Result& result) {
    std::ostringstream out;
    out << std::setprecision(17);
    struct {
        std::ostringstream& out;
        void operator()(std::monostate) const { out << "(nothing)"; }
        void operator()(bool value) const { out << std::boolalpha << value; }
        void operator()(long value) const { out << value; }
        void operator()(double value) const { out << value; }
        void operator()(const Doubles& values) const {
            for (double value : values) out << value << ' ';
        }
        void operator()(const Bytes& value) const { out << toHex(value); }
        void operator()(const Thrown& thrown) const { out << "throws \"" << thrown.message << '"'; }
    } visitor{out};
    std::visit(visitor, result);
    return out.str();
}

bool close(double expected, double actual, double tolerance) {
    return tolerance == 0 ? expected == actual : std::fabs(expected - actual) <= tolerance;
}

bool same(const Result& expected, const Result& actual, double tolerance) {
    if (expected.index() != actual.index()) {
        return false;
    }
    if (const auto* value = std::get_if<double>(&expected)) {
        return close(*value, std::get<double>(actual), tolerance);
    }
    if (const auto* values = std::get_if<Doubles>(&expected)) {
        const auto& got = std::get<Doubles>(actual);
        return values->size() == got.size() &&
               std::equal(values->begin(), values->end(), got.begin(),
                          [&](double e, double a) { return close(e, a, tolerance); });
    }
    if (const auto* thrown = std::get_if<Thrown>(&expected)) {
        return thrown->message == std::get<Thrown>(actual).message;
    }
    return describe(expected) == describe(actual);
}

// Failure messages name the row rather than dumping its bytes.
void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

class OperationTable : public ::testing::TestWithParam<Case> {};

TEST_P(OperationTable, SendsTheFramesAndReturnsTheDecodedReply) {
    const Case& row = GetParam();
    Controller controller;
    ScriptedComm& camera = scriptCamera(controller);
    for (const std::string& reply : row.replies) {
        if (reply.front() == '!') {
            camera.failRecv(reply.substr(1));
        } else {
            camera.reply(hex(reply));
        }
    }
    controller.setCurCamera(row.camera);

    const Result result = row.call(controller);

    std::vector<std::string> expectedFrames;
    for (const std::string& frame : row.frames) {
        expectedFrames.push_back(toHex(hex(frame)));
    }
    std::vector<std::string> sent;
    for (const Bytes& frame : camera.record()->sent) {
        sent.push_back(toHex(frame));
    }
    EXPECT_EQ(sent, expectedFrames);
    EXPECT_TRUE(same(row.expected, result, row.tolerance))
        << "expected " << describe(row.expected) << "\n     got " << describe(result);
    EXPECT_EQ(camera.pendingReplies(), 0u) << "the operation read fewer replies than scripted";
}

std::string testName(const ::testing::TestParamInfo<Case>& info) {
    std::ostringstream name;
    name << std::setw(3) << std::setfill('0') << info.index << '_';
    name << testNameOf(info.param.name);
    return name.str();
}

INSTANTIATE_TEST_SUITE_P(Wire, OperationTable, ::testing::ValuesIn(cases()), testName);

TEST(OperationTableCoverage, EveryExportedOperationHasARow) {
    ASSERT_EQ(controllerOperations().size(), 108u);
    for (const std::string& signature : controllerOperations()) {
        const std::string prefix = operationName(signature) + "(";
        const bool covered = std::any_of(cases().begin(), cases().end(), [&](const Case& row) {
            return row.name.compare(0, prefix.size(), prefix) == 0;
        });
        EXPECT_TRUE(covered) << signature << " has no row";
    }
}

}  // namespace
}  // namespace ApiTest
