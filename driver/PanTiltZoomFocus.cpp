// Pan-tilt, zoom and focus: motion commands, absolute positions and their conversions.
#include <cmath>
#include <limits>

#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"

namespace CameraDriver {

namespace {

constexpr std::uint8_t DEFAULT_PAN_SPEED = 0x18;   // 24
constexpr std::uint8_t DEFAULT_TILT_SPEED = 0x14;  // 20

// Pan-tilt drive directions.
constexpr std::uint8_t LEFT = 0x01, RIGHT = 0x02, UP = 0x01, DOWN = 0x02, NONE = 0x03;

std::uint8_t lowByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
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

int ViscaControllerImpl::zoomToCounts(double x) {
    // The range depends on digital zoom, which the camera is asked about every time.
    return saturate(std::trunc(Wide(x) * (getDZoomState() ? 28672 : 16384)));
}

double ViscaControllerImpl::countsToZoom(int counts) {
    const double step = getDZoomState() ? ZOOM_STEP_DIGITAL : ZOOM_STEP_OPTICAL;
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
    command({0x80, 0x01, 0x06, 0x01, DEFAULT_PAN_SPEED, tiltSpeed(speed), NONE, UP, 0xFF});
}

void ViscaControllerImpl::moveDown(int speed) {
    command({0x80, 0x01, 0x06, 0x01, DEFAULT_PAN_SPEED, tiltSpeed(speed), NONE, DOWN, 0xFF});
}

void ViscaControllerImpl::moveLeft(int speed) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(speed), DEFAULT_TILT_SPEED, LEFT, NONE, 0xFF});
}

void ViscaControllerImpl::moveRight(int speed) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(speed), DEFAULT_TILT_SPEED, RIGHT, NONE, 0xFF});
}

// The diagonal moves take the tilt speed first, as their names read.
void ViscaControllerImpl::moveUpLeft(int tilt, int pan) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(pan), tiltSpeed(tilt), LEFT, UP, 0xFF});
}

void ViscaControllerImpl::moveUpRight(int tilt, int pan) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(pan), tiltSpeed(tilt), RIGHT, UP, 0xFF});
}

void ViscaControllerImpl::moveDownLeft(int tilt, int pan) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(pan), tiltSpeed(tilt), LEFT, DOWN, 0xFF});
}

void ViscaControllerImpl::moveDownRight(int tilt, int pan) {
    command({0x80, 0x01, 0x06, 0x01, panSpeed(pan), tiltSpeed(tilt), RIGHT, DOWN, 0xFF});
}

void ViscaControllerImpl::stopMove() {
    command({0x80, 0x01, 0x06, 0x01, DEFAULT_PAN_SPEED, DEFAULT_TILT_SPEED, NONE, NONE, 0xFF});
}

void ViscaControllerImpl::moveHome() { command({0x80, 0x01, 0x06, 0x04, 0xFF}); }

void ViscaControllerImpl::setPanTilt(double pan, double tilt, int panSpeedArg, int tiltSpeedArg) {
    std::uint8_t bytes[15] = {
        0x80, 0x01, 0x06, 0x02, panSpeed(panSpeedArg), tiltSpeed(tiltSpeedArg)};
    packNibbles(bytes + 6, panToCounts(pan));
    packNibbles(bytes + 10, tiltToCounts(tilt));
    bytes[14] = 0xFF;
    executeCommand(bytes, sizeof bytes, ACK_COMPLETION);
}

void ViscaControllerImpl::getPanTilt(double& pan, double& tilt) {
    const Packet result = inquiry(0x06, 0x12);
    const int p = toSigned16(unpackNibbles(result.data()));
    const int t = toSigned16(unpackNibbles(result.data() + 4));
    pan = countsToPan(p);
    tilt = countsToTilt(t);
}

// Zoom

void ViscaControllerImpl::zoomTele() { command({0x80, 0x01, 0x04, 0x07, 0x02, 0xFF}); }

void ViscaControllerImpl::zoomWide() { command({0x80, 0x01, 0x04, 0x07, 0x03, 0xFF}); }

// The speed is ORed in unmasked: a speed above 7 changes the command byte itself.
void ViscaControllerImpl::zoomIn(int speed) {
    command({0x80, 0x01, 0x04, 0x07, static_cast<std::uint8_t>(0x20 | lowByte(speed)), 0xFF});
}

void ViscaControllerImpl::zoomOut(int speed) {
    command({0x80, 0x01, 0x04, 0x07, static_cast<std::uint8_t>(0x30 | lowByte(speed)), 0xFF});
}

void ViscaControllerImpl::stopZoom() { command({0x80, 0x01, 0x04, 0x07, 0x00, 0xFF}); }

double ViscaControllerImpl::getZoom() {
    const int counts = unpackNibbles(inquiry(0x04, 0x47).data());
    return countsToZoom(counts);
}

void ViscaControllerImpl::setZoom(double zoom) { valueCommand(0x04, 0x47, zoomToCounts(zoom)); }

bool ViscaControllerImpl::getDZoomState() { return flagInquiry(0x04, 0x06); }

void ViscaControllerImpl::setDZoomState(bool on) {
    command({0x80, 0x01, 0x04, 0x06, static_cast<std::uint8_t>(on ? 0x02 : 0x03), 0xFF});
}

// Focus

bool ViscaControllerImpl::getFocusMode() {
    return strictFlagInquiry(0x04, 0x38, "CAM_FocusModeInq's response error !");
}

void ViscaControllerImpl::setFocusMode(bool automatic) {
    command({0x80, 0x01, 0x04, 0x38, static_cast<std::uint8_t>(automatic ? 0x02 : 0x03), 0xFF});
}

void ViscaControllerImpl::focusFar() { command({0x80, 0x01, 0x04, 0x08, 0x02, 0xFF}); }

void ViscaControllerImpl::focusNear() { command({0x80, 0x01, 0x04, 0x08, 0x03, 0xFF}); }

void ViscaControllerImpl::focusToFar(int speed) {
    command({0x80, 0x01, 0x04, 0x08, static_cast<std::uint8_t>(0x20 | lowByte(speed)), 0xFF});
}

void ViscaControllerImpl::focusToNear(int speed) {
    command({0x80, 0x01, 0x04, 0x08, static_cast<std::uint8_t>(0x30 | lowByte(speed)), 0xFF});
}

void ViscaControllerImpl::stopFocusChange() { command({0x80, 0x01, 0x04, 0x08, 0x00, 0xFF}); }

void ViscaControllerImpl::focusInfinity() { command({0x80, 0x01, 0x04, 0x18, 0x02, 0xFF}); }

void ViscaControllerImpl::onePushAutoFocus() { command({0x80, 0x01, 0x04, 0x18, 0x01, 0xFF}); }

void ViscaControllerImpl::setFocus(double focus) { valueCommand(0x04, 0x48, focusToCounts(focus)); }

double ViscaControllerImpl::getFocus() {
    return countsToFocus(unpackNibbles(inquiry(0x04, 0x48).data()));
}

void ViscaControllerImpl::setFocusNearLimit(double limit) {
    valueCommand(0x04, 0x28, focusToCounts(limit));
}

double ViscaControllerImpl::getFocusNearLimit() {
    return countsToFocus(unpackNibbles(inquiry(0x04, 0x28).data()));
}

// Building blocks shared with the setting commands and the inquiries

void ViscaControllerImpl::command(std::initializer_list<std::uint8_t> bytes) {
    std::uint8_t packet[PACKET_SIZE] = {};
    std::copy(bytes.begin(), bytes.end(), packet);
    executeCommand(packet, static_cast<int>(bytes.size()), ACK_COMPLETION);
}

void ViscaControllerImpl::valueCommand(std::uint8_t category, std::uint8_t id, long value) {
    std::uint8_t packet[9] = {0x80, 0x01, category, id};
    packNibbles(packet + 4, static_cast<int>(value & 0xFFFF));
    packet[8] = 0xFF;
    executeCommand(packet, sizeof packet, ACK_COMPLETION);
}

Packet ViscaControllerImpl::inquiry(std::uint8_t category, std::uint8_t id) {
    std::uint8_t packet[] = {0x80, 0x09, category, id, 0xFF};
    return executeCommand(packet, sizeof packet, INQUIRY);
}

bool ViscaControllerImpl::flagInquiry(std::uint8_t category, std::uint8_t id) {
    return inquiry(category, id).get(0) == 0x02;
}

bool ViscaControllerImpl::strictFlagInquiry(std::uint8_t category, std::uint8_t id,
                                            const char* message) {
    switch (inquiry(category, id).get(0)) {
        case 0x02:
            return true;
        case 0x03:
            return false;
        default:
            throw DriverException(message);
    }
}

long ViscaControllerImpl::valueInquiry(std::uint8_t category, std::uint8_t id) {
    return unpackNibbles(inquiry(category, id).data());
}

}  // namespace CameraDriver
