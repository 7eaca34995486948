#include "sim/VirtualCamera.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace camsim {

namespace {

constexpr std::uint8_t kOn = 0x02;
constexpr std::uint8_t kOff = 0x03;

constexpr int kPanSpeedMax = 0x18;
constexpr int kTiltSpeedMax = 0x14;
constexpr int kVariableSpeedMax = 7;
constexpr int kStandardSpeed = 3;

constexpr double kPanDrivePerStep = 60.0;
constexpr double kTiltDrivePerStep = 18.0;
constexpr double kPanTravelPerStep = 240.0;
constexpr double kTiltTravelPerStep = 72.0;
constexpr double kZoomDrivePerStep = 2048.0;
constexpr double kFocusDrivePerStep = 3712.0;
constexpr double kZoomDirectRate = 32768.0;
constexpr double kFocusDirectRate = 59392.0;

bool isFlag(std::uint8_t b) { return b == kOn || b == kOff; }

// Four bytes 0p 0q 0r 0s, most significant nibble first. A byte above 0x0F is not a nibble and
// makes the frame malformed.
bool readNibbles(const std::uint8_t* p, int& value) {
    int v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] > 0x0F) return false;
        v = (v << 4) | p[i];
    }
    value = v;
    return true;
}

int toSigned16(int v) { return v >= 0x8000 ? v - 0x10000 : v; }

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

Bytes flagData(bool on) { return Bytes{on ? kOn : kOff}; }

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int counts(double position) { return static_cast<int>(std::lround(position)); }

struct FlagSetting {
    std::uint8_t category;
    std::uint8_t code;
    bool CameraState::*member;
};

// On/off settings without side effects; power and digital zoom are handled on their own.
constexpr FlagSetting kFlags[] = {
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

bool validAeMode(int v) { return v == 0x00 || v == 0x03 || v == 0x0A || v == 0x0B || v == 0x0D; }

struct CodeSetting {
    std::uint8_t code;
    int CameraState::*member;
    int max;  // codes 0..max are accepted; -1 selects the exposure mode list
};

constexpr CodeSetting kCodes[] = {
    {0x35, &CameraState::wbMode, kWbModeMax},
    {0x39, &CameraState::aeMode, -1},
    {0x60, &CameraState::wideMode, kWideModeMax},
    {0x63, &CameraState::pictureEffect, kPictureEffectMax},
    {0x64, &CameraState::digitalEffect, kDigitalEffectMax},
    {0x65, &CameraState::digitalEffectLevel, kDigitalEffectLevelMax},
};

bool validCode(const CodeSetting& s, int v) { return s.max < 0 ? validAeMode(v) : v <= s.max; }

struct SteppedSetting {
    std::uint8_t stepCode;  // 8x 01 04 GG 00|02|03 FF
    std::uint8_t setCode;   // 8x 01 04 GG 0p 0q 0r 0s FF and 8x 09 04 GG FF
    int CameraState::*member;
    StepRange range;
};

constexpr SteppedSetting kStepped[] = {
    {0x02, 0x42, &CameraState::aperture, kApertureRange},
    {0x03, 0x43, &CameraState::rGain, kRGainRange},
    {0x04, 0x44, &CameraState::bGain, kBGainRange},
    {0x0A, 0x4A, &CameraState::shutter, kShutterRange},
    {0x0B, 0x4B, &CameraState::iris, kIrisRange},
    {0x0C, 0x4C, &CameraState::gain, kGainRange},
    {0x0D, 0x4D, &CameraState::bright, kBrightRange},
    {0x0E, 0x4E, &CameraState::expComp, kExpCompRange},
};

// Speed byte of a zoom or focus drive: 00 stop, 02 and 03 at standard speed, 2p and 3p at
// speed p. Returns false for anything else; direction is +1 for 02/2p, -1 for 03/3p, 0 to stop.
bool readDrive(std::uint8_t b, int& direction, int& speed) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    if (b == 0x00) {
        direction = 0;
        speed = 0;
    } else if (b == 0x02 || b == 0x03) {
        direction = b == 0x02 ? 1 : -1;
        speed = kStandardSpeed;
    } else if ((high == 2 || high == 3) && low <= kVariableSpeedMax) {
        direction = high == 2 ? 1 : -1;
        speed = low;
    } else {
        return false;
    }
    return true;
}

}  // namespace

// ---- Motion ------------------------------------------------------------------------------

VirtualCamera::Motion::Motion(double min, double max, double position)
    : min_(min), max_(max), origin_(position) {}

double VirtualCamera::Motion::at(TimePoint t) const {
    switch (mode_) {
        case Mode::Still:
            return origin_;
        case Mode::Drive:
            if (t <= start_) return origin_;
            return std::clamp(origin_ + rate_ * seconds(t - start_), min_, max_);
        case Mode::Travel:
            if (t >= end_) return target_;
            if (t <= start_) return origin_;
            return origin_ + (target_ - origin_) * (seconds(t - start_) / seconds(end_ - start_));
    }
    return origin_;
}

bool VirtualCamera::Motion::moving(TimePoint t) const {
    switch (mode_) {
        case Mode::Still:
            return false;
        case Mode::Drive: {
            const double p = at(t);
            return rate_ > 0 ? p < max_ : p > min_;
        }
        case Mode::Travel:
            return t < end_;
    }
    return false;
}

void VirtualCamera::Motion::hold(TimePoint t) {
    origin_ = at(t);
    mode_ = Mode::Still;
}

void VirtualCamera::Motion::drive(TimePoint t, double countsPerSecond) {
    origin_ = at(t);
    start_ = t;
    rate_ = countsPerSecond;
    mode_ = countsPerSecond == 0.0 ? Mode::Still : Mode::Drive;
}

void VirtualCamera::Motion::travel(TimePoint t, double target, TimePoint end) {
    origin_ = at(t);
    start_ = t;
    target_ = std::clamp(target, min_, max_);
    end_ = end;
    mode_ = Mode::Travel;
    if (end <= t) {
        origin_ = target_;
        mode_ = Mode::Still;
    }
}

void VirtualCamera::Motion::set(double position) {
    origin_ = std::clamp(position, min_, max_);
    mode_ = Mode::Still;
}

void VirtualCamera::Motion::setMax(TimePoint t, double max) {
    // Re-base the motion at t so that the new limit applies from now on, not in the past.
    const double p = at(t);
    if (mode_ == Mode::Travel && t >= end_) mode_ = Mode::Still;
    origin_ = p;
    start_ = t;
    max_ = max;
    origin_ = std::min(origin_, max_);
    target_ = std::min(target_, max_);
}

// ---- Camera ------------------------------------------------------------------------------

VirtualCamera::VirtualCamera(int address)
    : pan_(kPanMin, kPanMax, 0),
      tilt_(kTiltMin, kTiltMax, 0),
      zoom_(0, kZoomMax, 0),
      focus_(kFocusMin, kFocusMax, kFocusMin) {
    state_.address = address;
}

Reply VirtualCamera::handle(const std::uint8_t* message, std::size_t length, TimePoint now) {
    Decoded d = decode(message, length);
    Reply r;
    if (!d.valid) {
        r.kind = Reply::Kind::SyntaxError;
        return r;
    }
    if (!state_.power && !d.allowedInStandby) {
        r.kind = Reply::Kind::NotExecutable;
        return r;
    }
    return d.run(now);
}

void VirtualCamera::clearInterface(TimePoint now) {
    for (Motion* m : {&pan_, &tilt_, &zoom_, &focus_}) {
        if (m->inTimedMove(now)) m->hold(now);
    }
}

CameraState VirtualCamera::state(TimePoint now) const {
    CameraState s = state_;
    s.pan = counts(pan_.at(now));
    s.tilt = counts(tilt_.at(now));
    s.zoom = counts(zoom_.at(now));
    s.focus = counts(focus_.at(now));
    s.panTiltMoving = pan_.moving(now) || tilt_.moving(now);
    s.zoomMoving = zoom_.moving(now);
    s.focusMoving = focus_.moving(now);
    return s;
}

void VirtualCamera::setState(const CameraState& s, TimePoint now) {
    const int address = state_.address;
    state_ = s;
    state_.address = address;
    zoom_.setMax(now, s.digitalZoom ? kDigitalZoomMax : kZoomMax);
    pan_.set(s.pan);
    tilt_.set(s.tilt);
    zoom_.set(s.zoom);
    focus_.set(s.focus);
    state_.panTiltMoving = state_.zoomMoving = state_.focusMoving = false;
}

unsigned VirtualCamera::timedAxes(TimePoint now) const {
    unsigned axes = 0;
    if (pan_.inTimedMove(now)) axes |= kPanAxis;
    if (tilt_.inTimedMove(now)) axes |= kTiltAxis;
    if (zoom_.inTimedMove(now)) axes |= kZoomAxis;
    if (focus_.inTimedMove(now)) axes |= kFocusAxis;
    return axes;
}

void VirtualCamera::holdAll(TimePoint now) {
    for (Motion* m : {&pan_, &tilt_, &zoom_, &focus_}) m->hold(now);
}

Reply VirtualCamera::done(TimePoint now, unsigned interrupted) const {
    Reply r;
    r.kind = Reply::Kind::Done;
    r.completeAt = now;
    r.interrupted = interrupted;
    return r;
}

Reply VirtualCamera::travelTo(TimePoint now, unsigned axes, const double targets[4],
                              const double rates[4]) {
    Motion* motions[4] = {&pan_, &tilt_, &zoom_, &focus_};
    const unsigned interrupted = timedAxes(now) & axes;
    double longest = 0.0;
    for (int i = 0; i < 4; ++i) {
        if (!(axes & (1u << i))) continue;
        longest = std::max(longest, std::abs(targets[i] - motions[i]->at(now)) / rates[i]);
    }
    longest = std::min(longest, seconds(kMaxMoveTime));
    const TimePoint end = instant_ ? now
                                   : now + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(longest));
    for (int i = 0; i < 4; ++i) {
        if (axes & (1u << i)) motions[i]->travel(now, targets[i], end);
    }
    Reply r = done(now, interrupted);
    r.completeAt = end;
    r.movingAxes = end > now ? axes : 0;
    r.move = true;
    return r;
}

VirtualCamera::Decoded VirtualCamera::setting(std::function<void()> apply) {
    Decoded d;
    d.valid = true;
    d.run = [this, apply = std::move(apply)](TimePoint now) {
        apply();
        return done(now, 0);
    };
    return d;
}

VirtualCamera::Decoded VirtualCamera::answer(std::function<Bytes(TimePoint)> data) {
    Decoded d;
    d.valid = true;
    d.run = [data = std::move(data)](TimePoint now) {
        Reply r;
        r.kind = Reply::Kind::Data;
        r.data = data(now);
        return r;
    };
    return d;
}

VirtualCamera::Decoded VirtualCamera::decode(const std::uint8_t* m, std::size_t n) {
    if (n >= 1 && m[0] == 0x01) return decodeCommand(m + 1, n - 1);
    if (n >= 1 && m[0] == 0x09) return decodeInquiry(m + 1, n - 1);
    return {};
}

VirtualCamera::Decoded VirtualCamera::decodeCommand(const std::uint8_t* c, std::size_t n) {
    if (n == 2 && c[0] == 0x00 && c[1] == 0x01) {
        Decoded d;
        d.valid = true;
        d.allowedInStandby = true;
        d.run = [this](TimePoint now) {
            clearInterface(now);
            Reply r;
            r.kind = Reply::Kind::Cleared;
            return r;
        };
        return d;
    }

    if (n == 3 && (c[0] == 0x04 || c[0] == 0x06)) {
        const std::uint8_t code = c[1];
        const std::uint8_t p = c[2];
        for (const FlagSetting& f : kFlags) {
            if (f.category == c[0] && f.code == code) {
                if (!isFlag(p)) return {};
                return setting([this, member = f.member, p] { state_.*member = p == kOn; });
            }
        }
    }

    if (n == 3 && c[0] == 0x04) {
        const std::uint8_t code = c[1];
        const std::uint8_t p = c[2];
        switch (code) {
            case 0x00: {  // power
                if (!isFlag(p)) return {};
                Decoded d;
                d.valid = true;
                d.allowedInStandby = p == kOn;
                d.run = [this, p](TimePoint now) {
                    unsigned interrupted = 0;
                    if (p == kOff) {
                        interrupted = timedAxes(now);
                        holdAll(now);
                    }
                    state_.power = p == kOn;
                    return done(now, interrupted);
                };
                return d;
            }
            case 0x06:  // digital zoom
            {
                if (!isFlag(p)) return {};
                Decoded d;
                d.valid = true;
                d.run = [this, p](TimePoint now) {
                    // Leaving the digital range pulls the lens back to the optical end.
                    state_.digitalZoom = p == kOn;
                    zoom_.setMax(now, state_.digitalZoom ? kDigitalZoomMax : kZoomMax);
                    return done(now, 0);
                };
                return d;
            }
            case 0x07:
            case 0x08: {  // zoom or focus drive
                int direction = 0;
                int speed = 0;
                if (!readDrive(p, direction, speed)) return {};
                Decoded d;
                d.valid = true;
                d.run = [this, code, direction, speed](TimePoint now) {
                    const bool zoom = code == 0x07;
                    Motion& m = zoom ? zoom_ : focus_;
                    const unsigned interrupted =
                        m.inTimedMove(now) ? (zoom ? kZoomAxis : kFocusAxis) : 0u;
                    const double perStep = zoom ? kZoomDrivePerStep : kFocusDrivePerStep;
                    // Tele and near (02, 2p for zoom; 03, 3p for focus) raise the count.
                    const double sign = zoom ? direction : -direction;
                    m.drive(now, sign * perStep * (speed + 1));
                    return done(now, interrupted);
                };
                return d;
            }
            case 0x18:  // 01 one-push auto focus, 02 focus to infinity
                if (p == 0x01) return setting([] {});
                if (p == 0x02) {
                    Decoded d;
                    d.valid = true;
                    d.run = [this](TimePoint now) {
                        const unsigned interrupted = focus_.inTimedMove(now) ? kFocusAxis : 0u;
                        focus_.set(kFocusMin);
                        return done(now, interrupted);
                    };
                    return d;
                }
                return {};
            case 0x10:  // one-push white balance trigger
                if (p != 0x05) return {};
                return setting([] {});
            default:
                break;
        }
        for (const CodeSetting& s : kCodes) {
            if (s.code == code) {
                if (!validCode(s, p)) return {};
                return setting([this, member = s.member, p] { state_.*member = p; });
            }
        }
        for (const SteppedSetting& s : kStepped) {
            if (s.stepCode == code) {
                if (p != 0x00 && p != 0x02 && p != 0x03) return {};
                return setting([this, member = s.member, range = s.range, p] {
                    int& v = state_.*member;
                    if (p == 0x00) v = range.reset;
                    if (p == 0x02) v = std::min(v + 1, range.max);
                    if (p == 0x03) v = std::max(v - 1, range.min);
                });
            }
        }
        return {};
    }

    if (n == 4 && c[0] == 0x04 && c[1] == 0x3F) {  // preset memories
        const std::uint8_t op = c[2];
        const int slot = c[3];
        if (slot >= kPresetCount) return {};
        if (op == 0x00) return setting([this, slot] { state_.presets[slot] = Preset{}; });
        if (op == 0x01) {
            Decoded d;
            d.valid = true;
            d.run = [this, slot](TimePoint now) {
                Preset& p = state_.presets[slot];
                p.stored = true;
                p.pan = counts(pan_.at(now));
                p.tilt = counts(tilt_.at(now));
                p.zoom = counts(zoom_.at(now));
                p.focus = counts(focus_.at(now));
                return done(now, 0);
            };
            return d;
        }
        if (op == 0x02) {
            Decoded d;
            d.valid = true;
            d.run = [this, slot](TimePoint now) {
                const Preset& p = state_.presets[slot];
                const double targets[4] = {double(p.pan), double(p.tilt),
                                           std::min(double(p.zoom), zoom_.max()), double(p.focus)};
                const double rates[4] = {kPanTravelPerStep * kPanSpeedMax,
                                         kTiltTravelPerStep * kTiltSpeedMax, kZoomDirectRate,
                                         kFocusDirectRate};
                return travelTo(now, kPanAxis | kTiltAxis | kZoomAxis | kFocusAxis, targets, rates);
            };
            return d;
        }
        return {};
    }

    if (n == 6 && c[0] == 0x04) {  // 04 GG 0p 0q 0r 0s
        const std::uint8_t code = c[1];
        int v = 0;
        if (!readNibbles(c + 2, v)) return {};
        for (const SteppedSetting& s : kStepped) {
            if (s.setCode == code) {
                if (v < s.range.min || v > s.range.max) return {};
                return setting([this, member = s.member, v] { state_.*member = v; });
            }
        }
        switch (code) {
            case 0x40:
                return setting([this, v] { state_.autoPowerOffDelay = v; });
            case 0x28:
                if (v < kFocusMin || v > kFocusMax) return {};
                return setting([this, v] { state_.focusNearLimit = v; });
            case 0x47:
            case 0x48: {
                const bool zoom = code == 0x47;
                const int max =
                    zoom ? (state_.digitalZoom ? kDigitalZoomMax : kZoomMax) : kFocusMax;
                const int min = zoom ? 0 : kFocusMin;
                if (v < min || v > max) return {};
                Decoded d;
                d.valid = true;
                d.run = [this, zoom, v](TimePoint now) {
                    const double targets[4] = {0, 0, double(v), double(v)};
                    const double rates[4] = {1, 1, kZoomDirectRate, kFocusDirectRate};
                    return travelTo(now, zoom ? kZoomAxis : kFocusAxis, targets, rates);
                };
                return d;
            }
            default:
                return {};
        }
    }

    if (n == 2 && c[0] == 0x06 && c[1] == 0x04) {  // home
        Decoded d;
        d.valid = true;
        d.run = [this](TimePoint now) {
            const double targets[4] = {0, 0, 0, 0};
            const double rates[4] = {kPanTravelPerStep * kPanSpeedMax,
                                     kTiltTravelPerStep * kTiltSpeedMax, 1, 1};
            return travelTo(now, kPanAxis | kTiltAxis, targets, rates);
        };
        return d;
    }

    if (n == 6 && c[0] == 0x06 && c[1] == 0x01) {  // pan-tilt drive VV WW aa bb
        const int panSpeed = c[2];
        const int tiltSpeed = c[3];
        const int panDir = c[4];
        const int tiltDir = c[5];
        if (panSpeed < 1 || panSpeed > kPanSpeedMax || tiltSpeed < 1 || tiltSpeed > kTiltSpeedMax ||
            panDir < 1 || panDir > 3 || tiltDir < 1 || tiltDir > 3) {
            return {};
        }
        Decoded d;
        d.valid = true;
        d.run = [=](TimePoint now) {
            const unsigned interrupted = timedAxes(now) & (kPanAxis | kTiltAxis);
            // Right and up are the positive directions.
            const double panRate =
                panDir == 3 ? 0.0 : (panDir == 2 ? 1.0 : -1.0) * kPanDrivePerStep * panSpeed;
            const double tiltRate =
                tiltDir == 3 ? 0.0 : (tiltDir == 1 ? 1.0 : -1.0) * kTiltDrivePerStep * tiltSpeed;
            pan_.drive(now, panRate);
            tilt_.drive(now, tiltRate);
            return done(now, interrupted);
        };
        return d;
    }

    if (n == 12 && c[0] == 0x06 && c[1] == 0x02) {  // absolute VV WW pan(4) tilt(4)
        const int panSpeed = c[2];
        const int tiltSpeed = c[3];
        int panRaw = 0;
        int tiltRaw = 0;
        if (panSpeed < 1 || panSpeed > kPanSpeedMax || tiltSpeed < 1 || tiltSpeed > kTiltSpeedMax ||
            !readNibbles(c + 4, panRaw) || !readNibbles(c + 8, tiltRaw)) {
            return {};
        }
        const int pan = toSigned16(panRaw);
        const int tilt = toSigned16(tiltRaw);
        if (pan < kPanMin || pan > kPanMax || tilt < kTiltMin || tilt > kTiltMax) return {};
        Decoded d;
        d.valid = true;
        d.run = [=](TimePoint now) {
            const double targets[4] = {double(pan), double(tilt), 0, 0};
            const double rates[4] = {kPanTravelPerStep * panSpeed, kTiltTravelPerStep * tiltSpeed,
                                     1, 1};
            return travelTo(now, kPanAxis | kTiltAxis, targets, rates);
        };
        return d;
    }

    if (n == 5 && c[0] == 0x7D && c[1] == 0x01 && c[3] == 0x00 && c[4] == 0x00) {
        const std::uint8_t p = c[2];
        if (p != 0x03 && p != 0x13) return {};
        return setting([this, p] { state_.irReturn = p == 0x03; });
    }

    return {};
}

VirtualCamera::Decoded VirtualCamera::decodeInquiry(const std::uint8_t* q, std::size_t n) {
    if (n != 2) return {};
    const std::uint8_t category = q[0];
    const std::uint8_t code = q[1];

    if (category == 0x00 && code == 0x02) {
        return answer([](TimePoint) { return Bytes(kDeviceType.begin(), kDeviceType.end()); });
    }
    if (category == 0x06 && code == 0x12) {
        return answer([this](TimePoint now) {
            Bytes out;
            putNibbles(out, counts(pan_.at(now)));
            putNibbles(out, counts(tilt_.at(now)));
            return out;
        });
    }
    for (const FlagSetting& f : kFlags) {
        if (f.category == category && f.code == code) {
            return answer(
                [this, member = f.member](TimePoint) { return flagData(state_.*member); });
        }
    }
    if (category != 0x04) return {};

    switch (code) {
        case 0x00: {
            Decoded d = answer([this](TimePoint) { return flagData(state_.power); });
            d.allowedInStandby = true;
            return d;
        }
        case 0x06:
            return answer([this](TimePoint) { return flagData(state_.digitalZoom); });
        case 0x47:
            return answer([this](TimePoint now) { return nibbleData(counts(zoom_.at(now))); });
        case 0x48:
            return answer([this](TimePoint now) { return nibbleData(counts(focus_.at(now))); });
        case 0x28:
            return answer([this](TimePoint) { return nibbleData(state_.focusNearLimit); });
        case 0x40:
            return answer([this](TimePoint) { return nibbleData(state_.autoPowerOffDelay); });
        default:
            break;
    }
    for (const CodeSetting& s : kCodes) {
        if (s.code == code) {
            return answer([this, member = s.member](TimePoint) {
                return Bytes{static_cast<std::uint8_t>(state_.*member)};
            });
        }
    }
    for (const SteppedSetting& s : kStepped) {
        if (s.setCode == code) {
            return answer(
                [this, member = s.member](TimePoint) { return nibbleData(state_.*member); });
        }
    }
    return {};
}

}  // namespace camsim
