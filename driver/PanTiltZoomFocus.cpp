// Pan-tilt, zoom and focus: motion commands, absolute positions and their conversions.
#include <cmath>
#include <limits>
#include <string>

#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"

namespace CameraDriver {

namespace {

constexpr std::uint8_t DEFAULT_PAN_SPEED = 0x18;   // 24
constexpr std::uint8_t DEFAULT_TILT_SPEED = 0x14;  // 20

using namespace Visca;

// Pan-tilt drive directions.
constexpr std::uint8_t LEFT = 0x01, RIGHT = 0x02, UP = 0x01, DOWN = 0x02, NONE = 0x03;

// Zoom and focus drives: stop, the two directions at the standard speed, and the two directions
// with the speed in the low nibble.
constexpr std::uint8_t DRIVE_STOP = 0x00;
constexpr std::uint8_t ZOOM_TELE = 0x02, ZOOM_WIDE = 0x03, ZOOM_TELE_AT = 0x20, ZOOM_WIDE_AT = 0x30;
constexpr std::uint8_t FOCUS_FAR = 0x02, FOCUS_NEAR = 0x03, FOCUS_FAR_AT = 0x20,
                       FOCUS_NEAR_AT = 0x30;
// The focus one-push register's two actions.
constexpr std::uint8_t ONE_PUSH_AUTO_FOCUS = 0x01, INFINITY_FOCUS = 0x02;

// The speed is ORed in unmasked: a speed above 7 changes the command byte itself.
std::uint8_t withSpeed(std::uint8_t code, int speed) {
    return static_cast<std::uint8_t>(code | lowByte(speed));
}

std::uint8_t panSpeed(int speed) { return speed == 0 ? DEFAULT_PAN_SPEED : lowByte(speed); }
std::uint8_t tiltSpeed(int speed) { return speed == 0 ? DEFAULT_TILT_SPEED : lowByte(speed); }

// Products are carried in extended precision before truncation or rounding to double.
using Wide = long double;

// Positions are not clamped, but a count beyond the range of int (or NaN) would make the
// conversion undefined, so the finished count saturates there instead. Truncation and offsets
// stay in the wide type until then, where they cannot overflow.
int saturate(Wide counts) {
    if (std::isnan(counts)) {
        return 0;
    }
    if (counts >= static_cast<Wide>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (counts <= static_cast<Wide>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(counts);
}

constexpr double PAN_STEP = 1.0 / 1440;
constexpr double TILT_STEP = 1.0 / 360;
constexpr double ZOOM_STEP_DIGITAL = 1.0 / 28672;
constexpr double ZOOM_STEP_OPTICAL = 1.0 / 16384;
constexpr double FOCUS_STEP = 1.0 / 29696;

int toSigned16(int value) { return value >= 0x8000 ? value - 0x10000 : value; }

}  // namespace

void ViscaControllerImpl::packNibbles(std::uint8_t* dest, int value) {
    dest[0] = static_cast<std::uint8_t>((value >> 12) & 0x0F);
    dest[1] = static_cast<std::uint8_t>((value >> 8) & 0x0F);
    dest[2] = static_cast<std::uint8_t>((value >> 4) & 0x0F);
    dest[3] = static_cast<std::uint8_t>(value & 0x0F);
}

int ViscaControllerImpl::unpackNibbles(const std::uint8_t* src) {
    const int high = ((src[0] << 4) | src[1]) & 0xFF;
    const int low = ((src[2] << 4) | src[3]) & 0xFF;
    return high * 256 + low;
}

int ViscaControllerImpl::panToCounts(double x) {
    return saturate(std::trunc((Wide(x) + 1) * 1440) - 1440);
}

int ViscaControllerImpl::tiltToCounts(double x) {
    return saturate(std::trunc((Wide(x) + 1) * 360) - 360);
}

double ViscaControllerImpl::countsToPan(int counts) {
    return static_cast<double>((Wide(counts) + 1440) * Wide(PAN_STEP) - 1);
}

double ViscaControllerImpl::countsToTilt(int counts) {
    return static_cast<double>((Wide(counts) + 360) * Wide(TILT_STEP) - 1);
}

bool ViscaControllerImpl::digitalZoomInUse() {
    try {
        return getDZoomState();
    } catch (const DriverException& failure) {
        // A camera without digital zoom refuses its inquiry as unknown: its zoom is all
        // optical, and the position is as readable and settable as on any other camera.
        if (std::string(failure.what()) == "SYNTAX_ERROR ocurred when executing the command !") {
            return false;
        }
        throw;
    }
}

int ViscaControllerImpl::zoomToCounts(double x) {
    // The range depends on digital zoom, which the camera is asked about every time.
    return saturate(std::trunc(Wide(x) * (digitalZoomInUse() ? 28672 : 16384)));
}

double ViscaControllerImpl::countsToZoom(int counts) {
    const double step = digitalZoomInUse() ? ZOOM_STEP_DIGITAL : ZOOM_STEP_OPTICAL;
    return static_cast<double>(Wide(counts) * Wide(step));
}

int ViscaControllerImpl::focusToCounts(double x) {
    return saturate(std::trunc(Wide(x) * 29696 + 4096));
}

double ViscaControllerImpl::countsToFocus(int counts) {
    return static_cast<double>((Wide(counts) - 4096) * Wide(FOCUS_STEP));
}

// Pan and tilt

void ViscaControllerImpl::moveUp(int speed) {
    command(PAN_TILT_DRIVE, {DEFAULT_PAN_SPEED, tiltSpeed(speed), NONE, UP});
}

void ViscaControllerImpl::moveDown(int speed) {
    command(PAN_TILT_DRIVE, {DEFAULT_PAN_SPEED, tiltSpeed(speed), NONE, DOWN});
}

void ViscaControllerImpl::moveLeft(int speed) {
    command(PAN_TILT_DRIVE, {panSpeed(speed), DEFAULT_TILT_SPEED, LEFT, NONE});
}

void ViscaControllerImpl::moveRight(int speed) {
    command(PAN_TILT_DRIVE, {panSpeed(speed), DEFAULT_TILT_SPEED, RIGHT, NONE});
}

// The diagonal moves take the tilt speed first, as their names read.
void ViscaControllerImpl::moveUpLeft(int tilt, int pan) {
    command(PAN_TILT_DRIVE, {panSpeed(pan), tiltSpeed(tilt), LEFT, UP});
}

void ViscaControllerImpl::moveUpRight(int tilt, int pan) {
    command(PAN_TILT_DRIVE, {panSpeed(pan), tiltSpeed(tilt), RIGHT, UP});
}

void ViscaControllerImpl::moveDownLeft(int tilt, int pan) {
    command(PAN_TILT_DRIVE, {panSpeed(pan), tiltSpeed(tilt), LEFT, DOWN});
}

void ViscaControllerImpl::moveDownRight(int tilt, int pan) {
    command(PAN_TILT_DRIVE, {panSpeed(pan), tiltSpeed(tilt), RIGHT, DOWN});
}

void ViscaControllerImpl::stopMove() {
    command(PAN_TILT_DRIVE, {DEFAULT_PAN_SPEED, DEFAULT_TILT_SPEED, NONE, NONE});
}

void ViscaControllerImpl::moveHome() { command(PAN_TILT_HOME, {}); }

void ViscaControllerImpl::setPanTilt(double pan, double tilt, int panSpeedArg, int tiltSpeedArg) {
    std::uint8_t bytes[15] = {HEADER,
                              MESSAGE_COMMAND,
                              PAN_TILT_ABSOLUTE.category,
                              PAN_TILT_ABSOLUTE.item,
                              panSpeed(panSpeedArg),
                              tiltSpeed(tiltSpeedArg)};
    packNibbles(bytes + 6, panToCounts(pan));
    packNibbles(bytes + 10, tiltToCounts(tilt));
    bytes[14] = TERMINATOR;
    executeCommand(bytes, sizeof bytes, ACK_COMPLETION);
}

void ViscaControllerImpl::getPanTilt(double& pan, double& tilt) {
    const Packet result = inquiry(PAN_TILT_POSITION);
    const int p = toSigned16(unpackNibbles(result.data()));
    const int t = toSigned16(unpackNibbles(result.data() + 4));
    pan = countsToPan(p);
    tilt = countsToTilt(t);
}

// Zoom

void ViscaControllerImpl::zoomTele() { command(ZOOM_DRIVE, {ZOOM_TELE}); }

void ViscaControllerImpl::zoomWide() { command(ZOOM_DRIVE, {ZOOM_WIDE}); }

void ViscaControllerImpl::zoomIn(int speed) {
    command(ZOOM_DRIVE, {withSpeed(ZOOM_TELE_AT, speed)});
}

void ViscaControllerImpl::zoomOut(int speed) {
    command(ZOOM_DRIVE, {withSpeed(ZOOM_WIDE_AT, speed)});
}

void ViscaControllerImpl::stopZoom() { command(ZOOM_DRIVE, {DRIVE_STOP}); }

double ViscaControllerImpl::getZoom() {
    const int counts = unpackNibbles(inquiry(ZOOM_POSITION).data());
    return countsToZoom(counts);
}

void ViscaControllerImpl::setZoom(double zoom) { valueCommand(ZOOM_POSITION, zoomToCounts(zoom)); }

bool ViscaControllerImpl::getDZoomState() { return flagInquiry(DIGITAL_ZOOM); }

void ViscaControllerImpl::setDZoomState(bool on) { command(DIGITAL_ZOOM, {onOff(on)}); }

// Focus

bool ViscaControllerImpl::getFocusMode() {
    return strictFlagInquiry(FOCUS_MODE, "CAM_FocusModeInq's response error !");
}

void ViscaControllerImpl::setFocusMode(bool automatic) { command(FOCUS_MODE, {onOff(automatic)}); }

void ViscaControllerImpl::focusFar() { command(FOCUS_DRIVE, {FOCUS_FAR}); }

void ViscaControllerImpl::focusNear() { command(FOCUS_DRIVE, {FOCUS_NEAR}); }

void ViscaControllerImpl::focusToFar(int speed) {
    command(FOCUS_DRIVE, {withSpeed(FOCUS_FAR_AT, speed)});
}

void ViscaControllerImpl::focusToNear(int speed) {
    command(FOCUS_DRIVE, {withSpeed(FOCUS_NEAR_AT, speed)});
}

void ViscaControllerImpl::stopFocusChange() { command(FOCUS_DRIVE, {DRIVE_STOP}); }

void ViscaControllerImpl::focusInfinity() { command(FOCUS_ONE_PUSH, {INFINITY_FOCUS}); }

void ViscaControllerImpl::onePushAutoFocus() { command(FOCUS_ONE_PUSH, {ONE_PUSH_AUTO_FOCUS}); }

void ViscaControllerImpl::setFocus(double focus) {
    valueCommand(FOCUS_POSITION, focusToCounts(focus));
}

double ViscaControllerImpl::getFocus() {
    return countsToFocus(unpackNibbles(inquiry(FOCUS_POSITION).data()));
}

void ViscaControllerImpl::setFocusNearLimit(double limit) {
    valueCommand(FOCUS_NEAR_LIMIT, focusToCounts(limit));
}

double ViscaControllerImpl::getFocusNearLimit() {
    return countsToFocus(unpackNibbles(inquiry(FOCUS_NEAR_LIMIT).data()));
}

}  // namespace CameraDriver
