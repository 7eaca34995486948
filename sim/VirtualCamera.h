// One simulated VISCA camera: the settings that its commands change and its inquiries read
// back, and a motion model that moves pan, tilt, zoom and focus over time.
//
// The camera is written straight from the VISCA frame tables and shares no code with the
// library that drives real cameras, so a coding fault in one cannot hide the same fault in the
// other.
//
// Behaviour worth knowing when a test relies on it:
//  - Values outside the ranges of the camera's model (sim/Model.h; the constants below are
//    those of the standard model), nibble bytes above 0x0F, unknown codes, frames of the wrong
//    length and the operations that the model lacks are refused with a syntax error. The
//    standard model's pan speeds are 0x01..0x18, tilt speeds 0x01..0x14, zoom and focus
//    variable speeds 0..7.
//  - A powered-off camera answers "not executable" to every well-formed command except power on
//    and to every well-formed inquiry except the power inquiry. Malformed frames still get the
//    syntax error, because the frame is parsed before the power state is looked at.
//  - Drives (pan-tilt drive, variable or standard zoom and focus) complete at once and keep
//    moving until stopped or until they reach a limit. Absolute pan-tilt, direct zoom and
//    focus, home, pan-tilt reset, relative pan-tilt and preset recall are timed moves: their
//    completion comes when they arrive.
//  - Relative pan-tilt (8x 01 06 03 VV WW 0Y 0Y 0Y 0Y 0Z 0Z 0Z 0Z FF) moves by signed 16-bit
//    offsets from where the camera is when the command arrives; a move that would pass an end
//    of travel stops at it. Pan-tilt reset (8x 01 06 05 FF) returns to pan 0, tilt 0 at the top
//    speeds, as home does: a real camera first runs to its ends to find them again, which this
//    one skips.
//  - A new command for an axis that is in a timed move ends that move where it is; the camera
//    reports the interrupted axes so that the pending completion goes out at once.
//  - memorySet stores pan, tilt, zoom and focus; recalling a preset that was never stored (or
//    was reset) moves to the power-on position (pan 0, tilt 0, zoom 0, focus 0x1000).
//  - The focus near limit is stored and read back; it does not restrict the focus position.
//  - The automatic power-off delay is stored and read back; the camera never switches itself
//    off.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "sim/Model.h"
#include "sim/Motion.h"

namespace Camsim {

using Bytes = std::vector<std::uint8_t>;

// Range of a stepped setting and the value that its reset command (8x 01 04 GG 00 FF) restores,
// which is also its power-on value. Up and down move by one and stop at min and max.
struct StepRange {
    int min;
    int max;
    int reset;
};

inline constexpr StepRange APERTURE_RANGE{0x00, 0x0F, 0x05};  // GG 02, set 42
inline constexpr StepRange R_GAIN_RANGE{0x00, 0xFF, 0x80};    // GG 03, set 43
inline constexpr StepRange B_GAIN_RANGE{0x00, 0xFF, 0x80};    // GG 04, set 44
inline constexpr StepRange SHUTTER_RANGE{0x00, 0x15, 0x0B};   // GG 0A, set 4A
inline constexpr StepRange IRIS_RANGE{0x00, 0x11, 0x0C};      // GG 0B, set 4B
inline constexpr StepRange GAIN_RANGE{0x00, 0x0F, 0x01};      // GG 0C, set 4C
inline constexpr StepRange BRIGHT_RANGE{0x00, 0x1F, 0x10};    // GG 0D, set 4D
inline constexpr StepRange EXP_COMP_RANGE{0x00, 0x0E, 0x07};  // GG 0E, set 4E

// Positions in camera counts.
inline constexpr int PAN_MIN = -1440;
inline constexpr int PAN_MAX = 1440;
inline constexpr int TILT_MIN = -360;
inline constexpr int TILT_MAX = 360;
inline constexpr int ZOOM_MAX = 0x4000;          // optical end
inline constexpr int DIGITAL_ZOOM_MAX = 0x7000;  // with digital zoom on
inline constexpr int FOCUS_MIN = 0x1000;         // infinity
inline constexpr int FOCUS_MAX = 0x8400;         // nearest

// Codes accepted by the mode commands.
inline constexpr int WB_MODE_MAX = 0x05;               // 04 35: auto .. manual
inline constexpr int WIDE_MODE_MAX = 0x02;             // 04 60: off, cinema, full
inline constexpr int PICTURE_EFFECT_MAX = 0x08;        // 04 63: off .. stretch
inline constexpr int DIGITAL_EFFECT_MAX = 0x04;        // 04 64: off .. trail
inline constexpr int DIGITAL_EFFECT_LEVEL_MAX = 0x20;  // 04 65
// 04 39 accepts 00 (full auto), 03 (manual), 0A (shutter priority), 0B (iris priority) and
// 0D (bright).

// Presets 0..15 (8x 01 04 3F 0x pp FF with pp 00..0F); other models keep more or fewer.
inline constexpr int PRESET_COUNT = 16;

// The standard model's device-type inquiry (8x 09 00 02 FF) answer: y0 50 00 51 00 01 01 00 02
// FF, that is vendor 0x0051, model 0x0001, ROM version 0x0100 and two command sockets. The
// vendor number is this simulator's own and matches no real manufacturer.

// Motion rates, in counts per second.
//   pan drive      60 x pan speed (0x18 -> 1440/s)      tilt drive 18 x tilt speed (0x14 -> 360/s)
//   (speed 0, where the model takes it, counts as half of speed 1)
//   pan absolute  240 x pan speed                        tilt absolute 72 x tilt speed
//   zoom drive    2048 x (p + 1), standard speed p = 3   focus drive 3712 x (p + 1), p = 3
//   direct zoom 32768, direct focus 59392; home and preset recall use the top pan and tilt
//   speeds. A timed move takes distance / rate, at most MAX_MOVE_TIME (the longest axis sets it).
inline constexpr std::chrono::milliseconds MAX_MOVE_TIME{2000};

struct Preset {
    bool stored = false;
    int pan = 0;
    int tilt = 0;
    int zoom = 0;
    int focus = FOCUS_MIN;
};

// Everything one camera holds. Positions are whole counts (the motion model keeps fractions).
struct CameraState {
    int address = 1;  // 1..7 from Address_Set; 0 when numbering pushed it beyond 7
    bool power = true;

    int pan = 0;
    int tilt = 0;
    int zoom = 0;
    bool digitalZoom = false;
    bool autoFocus = true;
    int focus = FOCUS_MIN;
    int focusNearLimit = FOCUS_MIN;
    // Read-only: ignored by setState, which stops all motion.
    bool panTiltMoving = false;
    bool zoomMoving = false;
    bool focusMoving = false;

    int wbMode = 0x00;
    int rGain = R_GAIN_RANGE.reset;
    int bGain = B_GAIN_RANGE.reset;
    int aeMode = 0x00;
    bool slowShutterAuto = false;
    int shutter = SHUTTER_RANGE.reset;
    int iris = IRIS_RANGE.reset;
    int gain = GAIN_RANGE.reset;
    int bright = BRIGHT_RANGE.reset;
    bool expCompOn = false;
    int expComp = EXP_COMP_RANGE.reset;
    bool backlight = false;
    int aperture = APERTURE_RANGE.reset;
    bool afSensitivityNormal = true;

    int wideMode = 0x00;
    bool lrReverse = false;
    bool freeze = false;
    int pictureEffect = 0x00;
    int digitalEffect = 0x00;
    int digitalEffectLevel = 0x00;

    bool dataScreen = false;
    bool irReceive = true;
    bool irReturn = false;  // 8x 01 7D 01 03 00 00 FF sets it, ... 13 00 00 FF clears it
    int autoPowerOffDelay = 0;

    std::vector<Preset> presets = std::vector<Preset>(PRESET_COUNT);  // as many as the model has
};

// Axis bits used to tie a pending completion to the timed move it waits for.
enum Axis : unsigned { PanAxis = 1, TiltAxis = 2, ZoomAxis = 4, FocusAxis = 8 };

struct Reply {
    enum class Kind {
        Done,           // ACK now, completion at completeAt
        Data,           // inquiry answer: y0 50 data FF
        Cleared,        // addressed IF_Clear: completion only, y0 50 FF
        SyntaxError,    // y0 60 02 FF
        NotExecutable,  // y0 61 41 FF
    };
    Kind kind = Kind::SyntaxError;
    Bytes data;
    TimePoint completeAt{};
    unsigned movingAxes = 0;   // Done: axes whose timed move the completion waits for
    bool move = false;         // Done: the frame started a timed move (even one that is over)
    unsigned interrupted = 0;  // timed moves that this frame ended early
};

// One camera. Not thread-safe: the chain's owner serialises access.
class VirtualCamera {
  public:
    // A camera of the standard model when none is given.
    explicit VirtualCamera(int address = 1, std::shared_ptr<const Model> model = nullptr);

    const Model& model() const { return *kind; }

    int address() const { return settings.address; }
    void setAddress(int address) { settings.address = address; }

    // Timed moves finish at once when instant is set.
    void setInstant(bool on) { instant = on; }

    // Handles one frame addressed to this camera. message points at the bytes between the
    // header and the FF terminator.
    Reply handle(const std::uint8_t* message, std::size_t length, TimePoint now);
    // The error (SyntaxError or NotExecutable) that handle would answer to the frame, without
    // acting on it; none when it would be carried out.
    std::optional<Reply::Kind> refusal(const std::uint8_t* message, std::size_t length);

    // IF_Clear: timed moves stop where they are; drives are not commands in progress and go on.
    void clearInterface(TimePoint now);

    CameraState state(TimePoint now) const;
    // Replaces settings and positions; all motion stops. The moving flags are ignored.
    void setState(const CameraState& state, TimePoint now);

  private:
    struct Decoded {
        bool valid = false;
        bool allowedInStandby = false;
        std::function<Reply(TimePoint)> run;
    };
    // The bytes of a command after its category and item.
    struct Arguments {
        const std::uint8_t* at;
        std::size_t count;
    };
    // One axis of a timed move: where it goes and how fast, in counts per second.
    struct Leg {
        Axis axis;
        double target;
        double rate;
    };

    // A frame that the camera accepts: what it does when run at `now`.
    Decoded action(std::function<Reply(TimePoint)> run, bool allowedInStandby = false);
    // A setting changed at once, completing at once.
    Decoded setting(std::function<void()> apply);
    // An inquiry's answer.
    Decoded answer(std::function<Bytes(TimePoint)> data);

    Decoded decode(const std::uint8_t* message, std::size_t length);
    Decoded decodeCommand(const std::uint8_t* command, std::size_t length);
    Decoded decodeCameraSwitch(std::uint8_t item, std::uint8_t code);
    Decoded decodeLensDrive(Axis axis, std::uint8_t code);
    Decoded decodeMemory(std::uint8_t operation, std::uint8_t preset);
    Decoded decodeCameraValue(std::uint8_t item, const std::uint8_t* nibbles);
    Decoded decodePanTilt(std::uint8_t item, Arguments arguments);
    Decoded decodePanTiltMove(std::uint8_t item, int panSpeed, int tiltSpeed,
                              const std::uint8_t* nibbles);
    Decoded decodeInfraredReturn(std::uint8_t code);
    Decoded decodeInquiry(const std::uint8_t* inquiry, std::size_t length);

    Motion& motion(Axis axis);
    unsigned timedAxes(TimePoint now) const;
    Reply done(TimePoint now, unsigned interrupted) const;
    // Starts a timed move of the legs' axes; all arrive together, when the longest leg does.
    Reply travelTo(TimePoint now, std::initializer_list<Leg> legs);
    void holdAll(TimePoint now);
    bool panTiltSpeedsValid(int panSpeed, int tiltSpeed) const;
    bool lacks(const std::uint8_t* message, std::size_t length) const;

    std::shared_ptr<const Model> kind;
    std::vector<const OperationFrame*> missing;  // the model's refused and lacking operations
    CameraState settings;
    Motion panMotion;
    Motion tiltMotion;
    Motion zoomMotion;
    Motion focusMotion;
    bool instant = false;
};

}  // namespace Camsim
