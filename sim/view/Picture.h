// What a virtual camera sees: the scene (sim/view/Scene.h) through the camera's lens and
// picture settings, as a QImage. Rendering is a function of the camera's state, the picture
// size and the time on the scene's clock, so a test can render any state off-screen.
//
// The lens and sensor:
//  - pan and tilt point the middle of the picture at azimuth pan x PAN_DEGREES_PER_COUNT and
//    elevation tilt x TILT_DEGREES_PER_COUNT: pan's whole range turns the camera all the way
//    round, tilt's looks 45 degrees up and down;
//  - at the wide end the picture is WIDE_ANGLE degrees across; the optical zoom magnifies up to
//    OPTICAL_ZOOM_FACTOR_MAX at 0x4000, evenly in log scale, and the digital zoom (when on) up to a
//    further DIGITAL_ZOOM_FACTOR_MAX at 0x7000, spreading fewer sensor pixels over the picture;
//  - the scene lies from 4 m away to infinity: a focus nearer than that blurs the picture, more
//    with more zoom; auto focus keeps it sharp;
//  - exposure: full auto, shutter priority and iris priority expose the scene well by
//    themselves, and only exposure compensation (when on) and back light change the brightness;
//    manual takes iris (0 is closed), shutter and gain as set (gain also adds grain); bright
//    mode takes the bright level;
//  - white balance: the scene is lit by daylight, so auto, one push, auto tracing and outdoor
//    are neutral, indoor (set for lamp light) turns it blue, and manual applies R and B gains
//    (0x80 neutral).
#pragma once

#include <QImage>
#include <QSize>
#include <QTime>
#include <optional>

#include "sim/VirtualCamera.h"

namespace Camsim::View {

inline constexpr double PAN_DEGREES_PER_COUNT = 0.125;
inline constexpr double TILT_DEGREES_PER_COUNT = 0.125;
inline constexpr double WIDE_ANGLE = 60.0;
inline constexpr double OPTICAL_ZOOM_FACTOR_MAX = 12.0;
inline constexpr double DIGITAL_ZOOM_FACTOR_MAX = 4.0;

double opticalZoom(const CameraState& state);
double digitalZoom(const CameraState& state);  // 1 when digital zoom is off
inline double zoomFactor(const CameraState& state) {
    return opticalZoom(state) * digitalZoom(state);
}
// Degrees of the scene across the picture's width.
inline double fieldOfView(const CameraState& state) { return WIDE_ANGLE / zoomFactor(state); }

// Distance that the focus is set to, in metres; infinity at 0x1000.
double focusDistance(int focusCounts);
// How far the focus lies outside the scene's depth, in dioptres; 0 when the picture is sharp.
double defocus(const CameraState& state);

// Brightness of the picture relative to a well-exposed one, as a factor on the light (0 with
// the iris closed).
double exposure(const CameraState& state);
struct ColourGains {
    double red;
    double green;
    double blue;
};
ColourGains whiteBalance(const CameraState& state);

// The picture of `state` with `size` pixels. Freeze and the digital effects depend on earlier
// pictures and are PictureStream's business; `defocusNow` stands in for defocus(state) while a
// focus is still settling.
QImage renderPicture(const CameraState& state, QSize size, QTime clock,
                     std::optional<double> defocusNow = std::nullopt);

// The pictures of one camera over time: what renderPicture gives, held while the camera is
// frozen, with the digital effects (still, flash, lumi, trail) that mix in earlier pictures,
// and with auto focus taking a moment to find the scene again.
class PictureStream {
  public:
    QImage next(const CameraState& state, QSize size, QTime clock, TimePoint now);
    // True while the picture would go on changing with the camera at rest: a focus that is
    // settling, a trail that fades, a strobe that holds back a newer picture.
    bool settling() const { return settlingNow; }

  private:
    QImage shown;
    QImage still;
    int effect = 0;
    std::optional<TimePoint> lastFlash;
    std::optional<TimePoint> lastTime;
    double currentDefocus = 0.0;
    bool settlingNow = false;
};

}  // namespace Camsim::View
