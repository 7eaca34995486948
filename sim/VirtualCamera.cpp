#include "sim/VirtualCamera.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace Camsim {

namespace {

constexpr std::uint8_t ON = 0x02;
constexpr std::uint8_t OFF = 0x03;

constexpr int STANDARD_SPEED = 3;

constexpr double PAN_DRIVE_PER_STEP = 60.0;
constexpr double TILT_DRIVE_PER_STEP = 18.0;
constexpr double PAN_TRAVEL_PER_STEP = 240.0;
constexpr double TILT_TRAVEL_PER_STEP = 72.0;
constexpr double ZOOM_DRIVE_PER_STEP = 2048.0;
constexpr double FOCUS_DRIVE_PER_STEP = 3712.0;
constexpr double ZOOM_DIRECT_RATE = 32768.0;
constexpr double FOCUS_DIRECT_RATE = 59392.0;

bool isFlag(std::uint8_t code) { return code == ON || code == OFF; }

// Four bytes 0p 0q 0r 0s, most significant nibble first. A byte above 0x0F is not a nibble and
// makes the frame malformed: no value.
std::optional<int> readNibbles(const std::uint8_t* bytes) {
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] > 0x0F) return std::nullopt;
        value = (value << 4) | bytes[i];
    }
    return value;
}

int toSigned16(int value) { return value >= 0x8000 ? value - 0x10000 : value; }

void putNibbles(Bytes& out, int value) {
    const unsigned v = static_cast<unsigned>(value) & 0xFFFFu;
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0x0Fu));
    }
}

Bytes nibbleData(int value) {
    Bytes out;
    putNibbles(out, value);
    return out;
}

Bytes flagData(bool on) { return Bytes{on ? ON : OFF}; }

int counts(double position) { return static_cast<int>(std::lround(position)); }

struct FlagSetting {
    std::uint8_t category;
    std::uint8_t code;
    bool CameraState::*member;
};

// On/off settings without side effects; power and digital zoom are handled on their own.
constexpr FlagSetting FLAGS[] = {
    {0x04, 0x38, &CameraState::autoFocus},
    {0x04, 0x5A, &CameraState::slowShutterAuto},
    {0x04, 0x3E, &CameraState::expCompOn},
    {0x04, 0x33, &CameraState::backlight},
    {0x04, 0x58, &CameraState::afSensitivityNormal},
    {0x04, 0x61, &CameraState::lrReverse},
    {0x04, 0x62, &CameraState::freeze},
    {0x06, 0x06, &CameraState::dataScreen},
    {0x06, 0x08, &CameraState::irReceive},
};

// The on/off setting with this category and item; none for any other.
const FlagSetting* findFlag(std::uint8_t category, std::uint8_t item) {
    for (const FlagSetting& flag : FLAGS) {
        if (flag.category == category && flag.code == item) return &flag;
    }
    return nullptr;
}

// The codes 0..max.
template <int max>
bool upTo(int code) {
    return code <= max;
}

bool aeModeCode(int code) {
    return code == 0x00 || code == 0x03 || code == 0x0A || code == 0x0B || code == 0x0D;
}

struct CodeSetting {
    std::uint8_t code;
    int CameraState::*member;
    bool (*accepts)(int code);
};

constexpr CodeSetting CODES[] = {
    {0x35, &CameraState::wbMode, upTo<WB_MODE_MAX>},
    {0x39, &CameraState::aeMode, aeModeCode},
    {0x60, &CameraState::wideMode, upTo<WIDE_MODE_MAX>},
    {0x63, &CameraState::pictureEffect, upTo<PICTURE_EFFECT_MAX>},
    {0x64, &CameraState::digitalEffect, upTo<DIGITAL_EFFECT_MAX>},
    {0x65, &CameraState::digitalEffectLevel, upTo<DIGITAL_EFFECT_LEVEL_MAX>},
};

struct SteppedSetting {
    std::uint8_t stepCode;  // 8x 01 04 GG 00|02|03 FF
    std::uint8_t setCode;   // 8x 01 04 GG 0p 0q 0r 0s FF and 8x 09 04 GG FF
    int CameraState::*member;
    StepRange range;
};

constexpr SteppedSetting STEPPED[] = {
    {0x02, 0x42, &CameraState::aperture, APERTURE_RANGE},
    {0x03, 0x43, &CameraState::rGain, R_GAIN_RANGE},
    {0x04, 0x44, &CameraState::bGain, B_GAIN_RANGE},
    {0x0A, 0x4A, &CameraState::shutter, SHUTTER_RANGE},
    {0x0B, 0x4B, &CameraState::iris, IRIS_RANGE},
    {0x0C, 0x4C, &CameraState::gain, GAIN_RANGE},
    {0x0D, 0x4D, &CameraState::bright, BRIGHT_RANGE},
    {0x0E, 0x4E, &CameraState::expComp, EXP_COMP_RANGE},
};

// A zoom or focus drive: the sign of its direction (+1 for 02 and 2p, -1 for 03 and 3p, 0 for
// the stop 00) and its speed (the standard speed for 02 and 03, p for 2p and 3p).
struct Drive {
    int direction;
    int speed;
};

// The drive that a code asks for, with variable speeds up to speedMax; none when the code is not
// a drive.
std::optional<Drive> readDrive(std::uint8_t code, int speedMax) {
    const int high = code >> 4;
    const int low = code & 0x0F;
    if (code == 0x00) return Drive{0, 0};
    if (code == 0x02 || code == 0x03) {
        return Drive{code == 0x02 ? 1 : -1, std::min(STANDARD_SPEED, speedMax)};
    }
    if ((high == 2 || high == 3) && low <= speedMax) {
        return Drive{high == 2 ? 1 : -1, low};
    }
    return std::nullopt;
}

// Pan-tilt drive directions: pan 1 left, 2 right; tilt 1 up, 2 down; 3 holds the axis. Right
// and up are the positive ones.
constexpr int PAN_LEFT = 1, PAN_RIGHT = 2, TILT_UP = 1, NO_DIRECTION = 3;

// A pan or tilt speed in steps of the rate tables; speed 0, where a model takes it, is the
// slowest of all.
double speedSteps(int speed) { return speed == 0 ? 0.5 : double(speed); }

std::shared_ptr<const Model> standardModel() {
    static const auto standard = std::make_shared<const Model>();
    return standard;
}

}  // namespace

// ---- Camera ------------------------------------------------------------------------------

VirtualCamera::VirtualCamera(int address, std::shared_ptr<const Model> model)
    : kind(model ? std::move(model) : standardModel()),
      panMotion(kind->pan.min, kind->pan.max, 0),
      tiltMotion(kind->tilt.min, kind->tilt.max, 0),
      zoomMotion(0, kind->zoomMax, 0),
      focusMotion(kind->focus.min, kind->focus.max, kind->focus.min) {
    settings.address = address;
    settings.focus = settings.focusNearLimit = kind->focus.min;
    settings.presets.assign(static_cast<std::size_t>(kind->presets), Preset{});
    for (Preset& preset : settings.presets) preset.focus = kind->focus.min;
    for (const auto* names : {&kind->refused, &kind->lacks}) {
        for (const std::string& name : *names) {
            if (const OperationFrame* operation = findOperation(name)) missing.push_back(operation);
        }
    }
}

bool VirtualCamera::lacks(const std::uint8_t* message, std::size_t length) const {
    for (const OperationFrame* operation : missing) {
        if (operation->matches(message, length)) return true;
    }
    return false;
}

std::optional<Reply::Kind> VirtualCamera::refusal(const std::uint8_t* message, std::size_t length) {
    // What the model lacks it cannot parse, so the power state does not come into it.
    if (lacks(message, length)) return Reply::Kind::SyntaxError;
    const Decoded decoded = decode(message, length);
    if (!decoded.valid) return Reply::Kind::SyntaxError;
    if (!settings.power && !decoded.allowedInStandby) return Reply::Kind::NotExecutable;
    return std::nullopt;
}

Reply VirtualCamera::handle(const std::uint8_t* message, std::size_t length, TimePoint now) {
    Reply reply;
    if (const std::optional<Reply::Kind> refused = refusal(message, length)) {
        reply.kind = *refused;
        return reply;
    }
    return decode(message, length).run(now);
}

void VirtualCamera::clearInterface(TimePoint now) {
    for (Motion* motion : {&panMotion, &tiltMotion, &zoomMotion, &focusMotion}) {
        if (motion->inTimedMove(now)) motion->hold(now);
    }
}

CameraState VirtualCamera::state(TimePoint now) const {
    CameraState current = settings;
    current.pan = counts(panMotion.at(now));
    current.tilt = counts(tiltMotion.at(now));
    current.zoom = counts(zoomMotion.at(now));
    current.focus = counts(focusMotion.at(now));
    current.panTiltMoving = panMotion.moving(now) || tiltMotion.moving(now);
    current.zoomMoving = zoomMotion.moving(now);
    current.focusMoving = focusMotion.moving(now);
    return current;
}

void VirtualCamera::setState(const CameraState& replacement, TimePoint now) {
    const int address = settings.address;
    settings = replacement;
    settings.address = address;
    Preset unset;
    unset.focus = kind->focus.min;
    settings.presets.resize(static_cast<std::size_t>(kind->presets), unset);
    zoomMotion.setMax(now, replacement.digitalZoom ? kind->digitalZoomMax : kind->zoomMax);
    panMotion.set(replacement.pan);
    tiltMotion.set(replacement.tilt);
    zoomMotion.set(replacement.zoom);
    focusMotion.set(replacement.focus);
    settings.panTiltMoving = settings.zoomMoving = settings.focusMoving = false;
}

Motion& VirtualCamera::motion(Axis axis) {
    switch (axis) {
        case PanAxis:
            return panMotion;
        case TiltAxis:
            return tiltMotion;
        case ZoomAxis:
            return zoomMotion;
        case FocusAxis:
            break;
    }
    return focusMotion;
}

unsigned VirtualCamera::timedAxes(TimePoint now) const {
    unsigned axes = 0;
    if (panMotion.inTimedMove(now)) axes |= PanAxis;
    if (tiltMotion.inTimedMove(now)) axes |= TiltAxis;
    if (zoomMotion.inTimedMove(now)) axes |= ZoomAxis;
    if (focusMotion.inTimedMove(now)) axes |= FocusAxis;
    return axes;
}

void VirtualCamera::holdAll(TimePoint now) {
    for (Motion* motion : {&panMotion, &tiltMotion, &zoomMotion, &focusMotion}) motion->hold(now);
}

Reply VirtualCamera::done(TimePoint now, unsigned interrupted) const {
    Reply reply;
    reply.kind = Reply::Kind::Done;
    reply.completeAt = now;
    reply.interrupted = interrupted;
    return reply;
}

Reply VirtualCamera::travelTo(TimePoint now, std::initializer_list<Leg> legs) {
    unsigned axes = 0;
    double longest = 0.0;
    for (const Leg& leg : legs) {
        axes |= leg.axis;
        longest = std::max(longest, std::abs(leg.target - motion(leg.axis).at(now)) / leg.rate);
    }
    const unsigned interrupted = timedAxes(now) & axes;
    longest = std::min(longest, seconds(MAX_MOVE_TIME));
    const TimePoint end = instant ? now
                                  : now + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(longest));
    for (const Leg& leg : legs) motion(leg.axis).travel(now, leg.target, end);
    Reply reply = done(now, interrupted);
    reply.completeAt = end;
    reply.movingAxes = end > now ? axes : 0;
    reply.move = true;
    return reply;
}

// ---- Decoding ----------------------------------------------------------------------------

VirtualCamera::Decoded VirtualCamera::action(std::function<Reply(TimePoint)> run,
                                             bool allowedInStandby) {
    Decoded decoded;
    decoded.valid = true;
    decoded.allowedInStandby = allowedInStandby;
    decoded.run = std::move(run);
    return decoded;
}

VirtualCamera::Decoded VirtualCamera::setting(std::function<void()> apply) {
    return action([this, apply = std::move(apply)](TimePoint now) {
        apply();
        return done(now, 0);
    });
}

VirtualCamera::Decoded VirtualCamera::answer(std::function<Bytes(TimePoint)> data) {
    return action([data = std::move(data)](TimePoint now) {
        Reply reply;
        reply.kind = Reply::Kind::Data;
        reply.data = data(now);
        return reply;
    });
}

VirtualCamera::Decoded VirtualCamera::decode(const std::uint8_t* message, std::size_t length) {
    if (length >= 1 && message[0] == 0x01) return decodeCommand(message + 1, length - 1);
    if (length >= 1 && message[0] == 0x09) return decodeInquiry(message + 1, length - 1);
    return {};
}

// 8x 01 <category> <item> <arguments> FF, by category.
VirtualCamera::Decoded VirtualCamera::decodeCommand(const std::uint8_t* command,
                                                    std::size_t length) {
    if (length < 2) return {};
    const std::uint8_t category = command[0];
    const std::uint8_t item = command[1];
    const Arguments arguments{command + 2, length - 2};
    if (arguments.count == 1) {
        if (const FlagSetting* flag = findFlag(category, item)) {
            const std::uint8_t code = arguments.at[0];
            if (!isFlag(code)) return {};
            return setting([this, member = flag->member, code] { settings.*member = code == ON; });
        }
    }
    switch (category) {
        case 0x00:  // IF_Clear addressed to this camera
            if (item != 0x01 || arguments.count != 0) return {};
            return action(
                [this](TimePoint now) {
                    clearInterface(now);
                    Reply reply;
                    reply.kind = Reply::Kind::Cleared;
                    return reply;
                },
                true);
        case 0x04:
            if (arguments.count == 1) return decodeCameraSwitch(item, arguments.at[0]);
            if (arguments.count == 2 && item == 0x3F) {
                return decodeMemory(arguments.at[0], arguments.at[1]);
            }
            if (arguments.count == 4) return decodeCameraValue(item, arguments.at);
            return {};
        case 0x06:
            return decodePanTilt(item, arguments);
        case 0x7D:  // infrared reply switch: 01 qq 00 00
            if (item != 0x01 || arguments.count != 3 || arguments.at[1] != 0x00 ||
                arguments.at[2] != 0x00) {
                return {};
            }
            return decodeInfraredReturn(arguments.at[0]);
        default:
            return {};
    }
}

// 8x 01 04 <item> <code> FF: the camera's switches, drives, modes and steps.
VirtualCamera::Decoded VirtualCamera::decodeCameraSwitch(std::uint8_t item, std::uint8_t code) {
    switch (item) {
        case 0x00:  // power
            if (!isFlag(code)) return {};
            return action(
                [this, code](TimePoint now) {
                    unsigned interrupted = 0;
                    if (code == OFF) {
                        interrupted = timedAxes(now);
                        holdAll(now);
                    }
                    settings.power = code == ON;
                    return done(now, interrupted);
                },
                code == ON);
        case 0x06:  // digital zoom
            if (!isFlag(code)) return {};
            return action([this, code](TimePoint now) {
                // Leaving the digital range pulls the lens back to the optical end.
                settings.digitalZoom = code == ON;
                zoomMotion.setMax(now, settings.digitalZoom ? kind->digitalZoomMax : kind->zoomMax);
                return done(now, 0);
            });
        case 0x07:  // zoom drive
        case 0x08:  // focus drive
            return decodeLensDrive(item == 0x07 ? ZoomAxis : FocusAxis, code);
        case 0x18:  // 01 one-push auto focus, 02 focus to infinity
            if (code == 0x01) return setting([] {});
            if (code != 0x02) return {};
            return action([this](TimePoint now) {
                const unsigned interrupted = focusMotion.inTimedMove(now) ? FocusAxis : 0u;
                focusMotion.set(kind->focus.min);
                return done(now, interrupted);
            });
        case 0x10:  // one-push white balance trigger
            if (code != 0x05) return {};
            return setting([] {});
        default:
            break;
    }
    for (const CodeSetting& mode : CODES) {
        if (mode.code == item) {
            if (!mode.accepts(code)) return {};
            return setting([this, member = mode.member, code] { settings.*member = code; });
        }
    }
    for (const SteppedSetting& stepped : STEPPED) {
        if (stepped.stepCode == item) {
            if (code != 0x00 && code != 0x02 && code != 0x03) return {};
            return setting([this, member = stepped.member, range = stepped.range, code] {
                int& value = settings.*member;
                if (code == 0x00) value = range.reset;
                if (code == 0x02) value = std::min(value + 1, range.max);
                if (code == 0x03) value = std::max(value - 1, range.min);
            });
        }
    }
    return {};
}

// Zoom (tele raises the count) or focus (near raises it) driven at a speed, or stopped.
VirtualCamera::Decoded VirtualCamera::decodeLensDrive(Axis axis, std::uint8_t code) {
    const std::optional<Drive> drive =
        readDrive(code, axis == ZoomAxis ? kind->zoomSpeedMax : kind->focusSpeedMax);
    if (!drive) return {};
    return action([this, axis, drive = *drive](TimePoint now) {
        const bool zoom = axis == ZoomAxis;
        Motion& lens = motion(axis);
        const unsigned interrupted = lens.inTimedMove(now) ? axis : 0u;
        const double perStep = zoom ? ZOOM_DRIVE_PER_STEP : FOCUS_DRIVE_PER_STEP;
        // Tele and near (02, 2p for zoom; 03, 3p for focus) raise the count.
        const double sign = zoom ? drive.direction : -drive.direction;
        lens.drive(now, sign * perStep * (drive.speed + 1));
        return done(now, interrupted);
    });
}

// 8x 01 04 3F <operation> <preset> FF: 00 reset, 01 set, 02 recall.
VirtualCamera::Decoded VirtualCamera::decodeMemory(std::uint8_t operation, std::uint8_t preset) {
    const int slot = preset;
    if (slot >= kind->presets) return {};
    switch (operation) {
        case 0x00:
            return setting([this, slot] { settings.presets[slot] = Preset{}; });
        case 0x01:
            return action([this, slot](TimePoint now) {
                Preset& stored = settings.presets[slot];
                stored.stored = true;
                stored.pan = counts(panMotion.at(now));
                stored.tilt = counts(tiltMotion.at(now));
                stored.zoom = counts(zoomMotion.at(now));
                stored.focus = counts(focusMotion.at(now));
                return done(now, 0);
            });
        case 0x02:
            return action([this, slot](TimePoint now) {
                const Preset& stored = settings.presets[slot];
                return travelTo(
                    now,
                    {{PanAxis, double(stored.pan), PAN_TRAVEL_PER_STEP * kind->panSpeedMax},
                     {TiltAxis, double(stored.tilt), TILT_TRAVEL_PER_STEP * kind->tiltSpeedMax},
                     {ZoomAxis, std::min(double(stored.zoom), zoomMotion.max()), ZOOM_DIRECT_RATE},
                     {FocusAxis, double(stored.focus), FOCUS_DIRECT_RATE}});
            });
        default:
            return {};
    }
}

// 8x 01 04 <item> 0p 0q 0r 0s FF: values of the stepped settings, the power-off delay, the
// focus near limit, and the direct zoom and focus positions.
VirtualCamera::Decoded VirtualCamera::decodeCameraValue(std::uint8_t item,
                                                        const std::uint8_t* nibbles) {
    const std::optional<int> read = readNibbles(nibbles);
    if (!read) return {};
    const int value = *read;
    for (const SteppedSetting& stepped : STEPPED) {
        if (stepped.setCode == item) {
            if (value < stepped.range.min || value > stepped.range.max) return {};
            return setting([this, member = stepped.member, value] { settings.*member = value; });
        }
    }
    switch (item) {
        case 0x40:
            return setting([this, value] { settings.autoPowerOffDelay = value; });
        case 0x28:
            if (value < kind->focus.min || value > kind->focus.max) return {};
            return setting([this, value] { settings.focusNearLimit = value; });
        case 0x47: {
            const int max = settings.digitalZoom ? kind->digitalZoomMax : kind->zoomMax;
            if (value < 0 || value > max) return {};
            return action([this, value](TimePoint now) {
                return travelTo(now, {{ZoomAxis, double(value), ZOOM_DIRECT_RATE}});
            });
        }
        case 0x48:
            if (value < kind->focus.min || value > kind->focus.max) return {};
            return action([this, value](TimePoint now) {
                return travelTo(now, {{FocusAxis, double(value), FOCUS_DIRECT_RATE}});
            });
        default:
            return {};
    }
}

bool VirtualCamera::panTiltSpeedsValid(int panSpeed, int tiltSpeed) const {
    const int slowest = kind->speedZeroAccepted ? 0 : 1;
    return panSpeed >= slowest && panSpeed <= kind->panSpeedMax && tiltSpeed >= slowest &&
           tiltSpeed <= kind->tiltSpeedMax;
}

// 8x 01 06 <item> ... FF: drive, absolute and relative position, home and reset.
VirtualCamera::Decoded VirtualCamera::decodePanTilt(std::uint8_t item, Arguments arguments) {
    if ((item == 0x04 || item == 0x05) && arguments.count == 0) {
        return action([this](TimePoint now) {
            return travelTo(now, {{PanAxis, 0, PAN_TRAVEL_PER_STEP * kind->panSpeedMax},
                                  {TiltAxis, 0, TILT_TRAVEL_PER_STEP * kind->tiltSpeedMax}});
        });
    }
    if (item == 0x01 && arguments.count == 4) {  // drive VV WW aa bb
        const int panSpeed = arguments.at[0];
        const int tiltSpeed = arguments.at[1];
        const int panDirection = arguments.at[2];
        const int tiltDirection = arguments.at[3];
        if (!panTiltSpeedsValid(panSpeed, tiltSpeed) || panDirection < PAN_LEFT ||
            panDirection > NO_DIRECTION || tiltDirection < TILT_UP ||
            tiltDirection > NO_DIRECTION) {
            return {};
        }
        return action([=](TimePoint now) {
            const unsigned interrupted = timedAxes(now) & (PanAxis | TiltAxis);
            const double panRate = panDirection == NO_DIRECTION
                                       ? 0.0
                                       : (panDirection == PAN_RIGHT ? 1.0 : -1.0) *
                                             PAN_DRIVE_PER_STEP * speedSteps(panSpeed);
            const double tiltRate = tiltDirection == NO_DIRECTION
                                        ? 0.0
                                        : (tiltDirection == TILT_UP ? 1.0 : -1.0) *
                                              TILT_DRIVE_PER_STEP * speedSteps(tiltSpeed);
            panMotion.drive(now, panRate);
            tiltMotion.drive(now, tiltRate);
            return done(now, interrupted);
        });
    }
    if ((item == 0x02 || item == 0x03) && arguments.count == 10) {  // VV WW pan(4) tilt(4)
        return decodePanTiltMove(item, arguments.at[0], arguments.at[1], arguments.at + 2);
    }
    return {};
}

// 8x 01 06 02 (absolute) or 03 (relative) VV WW 0Y 0Y 0Y 0Y 0Z 0Z 0Z 0Z FF.
VirtualCamera::Decoded VirtualCamera::decodePanTiltMove(std::uint8_t item, int panSpeed,
                                                        int tiltSpeed,
                                                        const std::uint8_t* nibbles) {
    const std::optional<int> panCounts = readNibbles(nibbles);
    const std::optional<int> tiltCounts = readNibbles(nibbles + 4);
    if (!panTiltSpeedsValid(panSpeed, tiltSpeed) || !panCounts || !tiltCounts) return {};
    const int pan = toSigned16(*panCounts);
    const int tilt = toSigned16(*tiltCounts);
    const bool relative = item == 0x03;
    if (!relative && (pan < kind->pan.min || pan > kind->pan.max || tilt < kind->tilt.min ||
                      tilt > kind->tilt.max)) {
        return {};
    }
    return action([=](TimePoint now) {
        const double panTarget = relative ? std::clamp(panMotion.at(now) + pan,
                                                       double(kind->pan.min), double(kind->pan.max))
                                          : double(pan);
        const double tiltTarget = relative
                                      ? std::clamp(tiltMotion.at(now) + tilt,
                                                   double(kind->tilt.min), double(kind->tilt.max))
                                      : double(tilt);
        return travelTo(now,
                        {{PanAxis, panTarget, PAN_TRAVEL_PER_STEP * speedSteps(panSpeed)},
                         {TiltAxis, tiltTarget, TILT_TRAVEL_PER_STEP * speedSteps(tiltSpeed)}});
    });
}

// 8x 01 7D 01 <code> 00 00 FF: 03 on, 13 off.
VirtualCamera::Decoded VirtualCamera::decodeInfraredReturn(std::uint8_t code) {
    if (code != 0x03 && code != 0x13) return {};
    return setting([this, code] { settings.irReturn = code == 0x03; });
}

// 8x 09 <category> <item> FF.
VirtualCamera::Decoded VirtualCamera::decodeInquiry(const std::uint8_t* inquiry,
                                                    std::size_t length) {
    if (length != 2) return {};
    const std::uint8_t category = inquiry[0];
    const std::uint8_t code = inquiry[1];

    if (category == 0x00 && code == 0x02) {
        return answer([this](TimePoint) { return kind->deviceType(); });
    }
    if (category == 0x06 && code == 0x12) {
        return answer([this](TimePoint now) {
            Bytes out;
            putNibbles(out, counts(panMotion.at(now)));
            putNibbles(out, counts(tiltMotion.at(now)));
            return out;
        });
    }
    if (const FlagSetting* flag = findFlag(category, code)) {
        return answer(
            [this, member = flag->member](TimePoint) { return flagData(settings.*member); });
    }
    if (category != 0x04) return {};

    switch (code) {
        case 0x00: {
            Decoded decoded = answer([this](TimePoint) { return flagData(settings.power); });
            decoded.allowedInStandby = true;
            return decoded;
        }
        case 0x06:
            return answer([this](TimePoint) { return flagData(settings.digitalZoom); });
        case 0x47:
            return answer([this](TimePoint now) { return nibbleData(counts(zoomMotion.at(now))); });
        case 0x48:
            return answer(
                [this](TimePoint now) { return nibbleData(counts(focusMotion.at(now))); });
        case 0x28:
            return answer([this](TimePoint) { return nibbleData(settings.focusNearLimit); });
        case 0x40:
            return answer([this](TimePoint) { return nibbleData(settings.autoPowerOffDelay); });
        default:
            break;
    }
    for (const CodeSetting& mode : CODES) {
        if (mode.code == code) {
            return answer([this, member = mode.member](TimePoint) {
                return Bytes{static_cast<std::uint8_t>(settings.*member)};
            });
        }
    }
    for (const SteppedSetting& stepped : STEPPED) {
        if (stepped.setCode == code) {
            return answer([this, member = stepped.member](TimePoint) {
                return nibbleData(settings.*member);
            });
        }
    }
    return {};
}

}  // namespace Camsim
