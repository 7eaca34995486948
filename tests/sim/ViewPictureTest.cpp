// What the camera view shows for known camera states, rendered off-screen and judged the way a
// person looking at the picture would: where a landmark is, how large, how bright, what colour.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "sim/view/Picture.h"
#include "sim/view/Scene.h"

namespace {

using Camsim::CameraState;
using namespace Camsim::View;

const QSize SIZE(320, 240);
const QTime CLOCK(10, 10);

QImage render(const CameraState& s, QSize size = SIZE) { return renderPicture(s, size, CLOCK); }

// Centre of the pixels within `tolerance` of `colour` in every channel.
std::optional<QPointF> find(const QImage& image, QRgb colour, int tolerance = 24) {
    double sx = 0, sy = 0;
    long n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (std::abs(qRed(c) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(c) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(c) - qBlue(colour)) <= tolerance) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
        }
    }
    if (n < 4) return std::nullopt;
    return QPointF(sx / double(n), sy / double(n));
}

struct Means {
    double red = 0, green = 0, blue = 0, luma = 0;
};
Means means(const QImage& image) {
    Means m;
    const double n = double(image.width()) * image.height();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            m.red += qRed(c) / n;
            m.green += qGreen(c) / n;
            m.blue += qBlue(c) / n;
        }
    }
    m.luma = 0.299 * m.red + 0.587 * m.green + 0.114 * m.blue;
    return m;
}

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// Mean step between neighbouring pixels: edges make it large, blur makes it small.
double sharpness(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 1; x < image.width(); ++x) {
            sum += std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y)));
        }
    }
    return sum / (double(image.width() - 1) * image.height());
}

// Names the cases of a table by their name field.
struct ByName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& c) const {
        return c.param.name;
    }
};

CameraState pointedAt(int pan, int tilt, int zoom = 0) {
    CameraState s;
    s.pan = pan;
    s.tilt = tilt;
    s.zoom = zoom;
    return s;
}

// ---- Pointing ---------------------------------------------------------------------------

struct PointingCase {
    const char* name;
    int pan, tilt, zoom;  // the move from pan 0, tilt 0 at that zoom
};
void PrintTo(const PointingCase& c, std::ostream* os) { *os << c.name; }

class Pointing : public ::testing::TestWithParam<PointingCase> {};

// Turning the camera by an angle moves what it sees the other way across the picture, by that
// angle's share of the field of view.
TEST_P(Pointing, MovesTheChartTheOtherWayByTheAngleTurned) {
    const PointingCase& c = GetParam();
    const auto before = find(render(pointedAt(0, 0, c.zoom)), CHART_MAGENTA);
    const auto after = find(render(pointedAt(c.pan, c.tilt, c.zoom)), CHART_MAGENTA);
    ASSERT_TRUE(before && after);
    const double pixelsPerDegree = SIZE.width() / fieldOfView(pointedAt(0, 0, c.zoom));
    EXPECT_NEAR(after->x() - before->x(), -c.pan * PAN_DEGREES_PER_COUNT * pixelsPerDegree, 1.0);
    // Tilting up moves the scene down the picture.
    EXPECT_NEAR(after->y() - before->y(), c.tilt * TILT_DEGREES_PER_COUNT * pixelsPerDegree, 1.0);
}

INSTANTIATE_TEST_SUITE_P(View, Pointing,
                         ::testing::Values(PointingCase{"right_5_degrees", 40, 0, 0},
                                           PointingCase{"left_10_degrees", -80, 0, 0},
                                           PointingCase{"up_3_degrees", 0, 24, 0},
                                           PointingCase{"down_4_degrees", 0, -32, 0},
                                           PointingCase{"right_and_up_at_2x", 16, 12, 4570}),
                         ByName());

TEST(View, PanCoversTheWholeTurnSoBothEndsSeeTheSameView) {
    EXPECT_EQ(render(pointedAt(1440, 0)), render(pointedAt(-1440, 0)));
    EXPECT_GT(meanDifference(render(pointedAt(0, 0)), render(pointedAt(1440, 0))), 10);
}

// ---- Zoom ---------------------------------------------------------------------------------

struct ZoomCase {
    int counts;
    double factor;
};
void PrintTo(const ZoomCase& c, std::ostream* os) { *os << c.counts << " counts"; }

class OpticalZoom : public ::testing::TestWithParam<ZoomCase> {};

// A zoom of f narrows the field of view f times: a landmark off the middle moves f times as far
// from it.
TEST_P(OpticalZoom, MagnifiesAboutTheMiddleByItsFactor) {
    const ZoomCase& c = GetParam();
    const CameraState wide = pointedAt(0, 40);
    const CameraState zoomed = pointedAt(0, 40, c.counts);
    EXPECT_NEAR(zoomFactor(zoomed), c.factor, 0.001);
    EXPECT_NEAR(fieldOfView(zoomed), WIDE_ANGLE / c.factor, 0.001);

    const QPointF middle(SIZE.width() / 2.0, SIZE.height() / 2.0);
    const auto near = find(render(wide), CHART_MAGENTA);
    const auto far = find(render(zoomed), CHART_MAGENTA);
    ASSERT_TRUE(near && far);
    const QPointF a = *near - middle;
    const QPointF b = *far - middle;
    EXPECT_GT(std::abs(a.x()), 10);
    EXPECT_NEAR(b.x() / a.x(), c.factor, 0.04 * c.factor);
    EXPECT_NEAR(b.y() / a.y(), c.factor, 0.04 * c.factor);
}

INSTANTIATE_TEST_SUITE_P(View, OpticalZoom,
                         ::testing::Values(ZoomCase{0, 1.0}, ZoomCase{4570, 2.0},
                                           ZoomCase{9140, 4.0}));

TEST(View, ZoomEndsAreTheLensLimitsAndDigitalZoomMultipliesTheOptical) {
    CameraState s;
    // The lens ends written out: 12 times at the optical end, 0x4000, and 4 times more at the
    // digital end, 0x7000.
    s.zoom = 0x4000;
    EXPECT_NEAR(zoomFactor(s), 12.0, 1e-9);
    s.digitalZoom = true;
    EXPECT_NEAR(zoomFactor(s), 12.0, 1e-9);
    s.zoom = 0x7000;
    EXPECT_NEAR(zoomFactor(s), 48.0, 1e-9);
    s.zoom = 0x5800;
    EXPECT_NEAR(digitalZoom(s), 2.0, 1e-9);
}

// Digital zoom enlarges the middle of the optical picture: at 2x it shows the middle half of
// what the lens alone shows, twice as large (and no sharper).
TEST(View, DigitalZoomShowsTheMiddleOfTheOpticalPictureEnlarged) {
    CameraState optical = pointedAt(16, 48, Camsim::ZOOM_MAX);
    CameraState digital = optical;
    digital.digitalZoom = true;
    digital.zoom = Camsim::ZOOM_MAX + (Camsim::DIGITAL_ZOOM_MAX - Camsim::ZOOM_MAX) / 2;
    ASSERT_NEAR(zoomFactor(digital), 2 * zoomFactor(optical), 1e-9);

    const QImage lens = render(optical);
    const QImage middle = lens.copy(QRect(QPoint(SIZE.width() / 4, SIZE.height() / 4), SIZE / 2))
                              .scaled(SIZE, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage zoomed = render(digital);
    EXPECT_LT(meanDifference(zoomed, middle), 4.0);
    EXPECT_GT(meanDifference(zoomed, lens), 20.0);
}

// ---- Focus --------------------------------------------------------------------------------

struct FocusCase {
    const char* name;
    bool autoFocus;
    int focus;
    bool sharp;
};
void PrintTo(const FocusCase& c, std::ostream* os) { *os << c.name; }

class Focus : public ::testing::TestWithParam<FocusCase> {};

TEST_P(Focus, BlursOnlyWhenTheFocusLeavesTheScene) {
    const FocusCase& c = GetParam();
    const CameraState atInfinity = pointedAt(0, 0, 4570);
    CameraState s = atInfinity;
    s.autoFocus = c.autoFocus;
    s.focus = c.focus;
    const double reference = sharpness(render(atInfinity));
    const double seen = sharpness(render(s));
    if (c.sharp) {
        EXPECT_NEAR(seen, reference, 0.02 * reference);
    } else {
        EXPECT_LT(seen, 0.6 * reference);
    }
}

INSTANTIATE_TEST_SUITE_P(
    View, Focus,
    ::testing::Values(FocusCase{"manual_infinity", false, Camsim::FOCUS_MIN, true},
                      FocusCase{"manual_10m", false, 0x1000 + 2970, true},
                      FocusCase{"manual_1m", false, 0x1000 + 9391, false},
                      FocusCase{"manual_nearest", false, Camsim::FOCUS_MAX, false},
                      FocusCase{"auto_at_nearest", true, Camsim::FOCUS_MAX, true}),
    ByName());

TEST(View, FocusDistanceRunsFromInfinityToTheNearestPoint) {
    EXPECT_TRUE(std::isinf(focusDistance(0x1000)));
    EXPECT_NEAR(focusDistance(0x8400), 0.1, 1e-9);
    EXPECT_GT(focusDistance(0x2000), focusDistance(0x3000));
}

TEST(View, AutoFocusTakesAMomentToSharpenAPictureThatWasOutOfFocus) {
    CameraState s = pointedAt(0, 0);
    s.autoFocus = false;
    s.focus = Camsim::FOCUS_MAX;
    PictureStream stream;
    const Camsim::TimePoint t0{};
    const double blurred = sharpness(stream.next(s, SIZE, CLOCK, t0));
    s.autoFocus = true;
    const double finding =
        sharpness(stream.next(s, SIZE, CLOCK, t0 + std::chrono::milliseconds(100)));
    EXPECT_TRUE(stream.settling());
    const double found = sharpness(stream.next(s, SIZE, CLOCK, t0 + std::chrono::seconds(2)));
    EXPECT_FALSE(stream.settling());
    EXPECT_GT(finding, blurred);
    EXPECT_GT(found, finding);
    EXPECT_NEAR(found, sharpness(render(s)), 1e-9);
}

// ---- Power, freeze, reverse -------------------------------------------------------------

TEST(View, PowerOffGivesADarkPictureMarkedStandby) {
    CameraState s;
    s.power = false;
    const QImage picture = render(s);
    EXPECT_LT(means(picture).luma, 25);
    // The mark: light text in the dark.
    int light = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) light += qGray(picture.pixel(x, y)) > 100;
    }
    EXPECT_GT(light, 30);
}

TEST(View, FreezeHoldsThePictureWhileTheCameraMovesOn) {
    PictureStream stream;
    const Camsim::TimePoint t0{};
    CameraState s = pointedAt(0, 0);
    const QImage before = stream.next(s, SIZE, CLOCK, t0);
    s.freeze = true;
    s.pan = 200;
    s.zoom = 3000;
    EXPECT_EQ(stream.next(s, SIZE, CLOCK, t0 + std::chrono::seconds(1)), before);
    s.freeze = false;
    const QImage after = stream.next(s, SIZE, CLOCK, t0 + std::chrono::seconds(2));
    EXPECT_EQ(after, render(s));
    EXPECT_GT(meanDifference(after, before), 10);
}

TEST(View, LeftRightReverseMirrorsThePicture) {
    CameraState s = pointedAt(120, 16, 2000);
    const QImage normal = render(s);
    s.lrReverse = true;
    const QImage reversed = render(s);
    EXPECT_GT(meanDifference(normal, normal.mirrored(true, false)), 10);
    EXPECT_EQ(reversed, normal.mirrored(true, false));
}

// ---- Picture effects ----------------------------------------------------------------------

TEST(View, BlackAndWhiteHasEqualRedGreenAndBlue) {
    CameraState s = pointedAt(40, 0);
    const QImage colour = render(s);
    s.pictureEffect = 0x04;
    const QImage mono = render(s);
    int grey = 0, coloured = 0;
    for (int y = 0; y < mono.height(); ++y) {
        for (int x = 0; x < mono.width(); ++x) {
            const QRgb c = mono.pixel(x, y);
            grey += qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
            const QRgb d = colour.pixel(x, y);
            coloured += std::abs(qRed(d) - qBlue(d)) > 20;
        }
    }
    EXPECT_EQ(grey, mono.width() * mono.height());
    EXPECT_GT(coloured, mono.width() * mono.height() / 4);
}

TEST(View, NegativeTurnsEveryPixelOver) {
    CameraState s = pointedAt(-40, 8);
    const QImage positive = render(s);
    s.pictureEffect = 0x02;
    const QImage negative = render(s);
    for (int y = 0; y < positive.height(); y += 7) {
        for (int x = 0; x < positive.width(); x += 7) {
            const QRgb p = positive.pixel(x, y), n = negative.pixel(x, y);
            ASSERT_EQ(qRed(n), 255 - qRed(p));
            ASSERT_EQ(qGreen(n), 255 - qGreen(p));
            ASSERT_EQ(qBlue(n), 255 - qBlue(p));
        }
    }
}

class PictureEffect : public ::testing::TestWithParam<int> {};

TEST_P(PictureEffect, ChangesThePictureVisibly) {
    CameraState s = pointedAt(24, 8);
    const QImage plain = render(s);
    s.pictureEffect = GetParam();
    EXPECT_GT(meanDifference(render(s), plain), 8.0);
}

// Effects 1 to 8, pastel to stretch, written out.
INSTANTIATE_TEST_SUITE_P(View, PictureEffect, ::testing::Range(1, 9));

TEST(View, CinemaModeMasksTheTopAndBottom) {
    CameraState s;
    s.wideMode = 0x01;
    const QImage cinema = render(s);
    EXPECT_LT(means(cinema.copy(0, 0, SIZE.width(), SIZE.height() / 10)).luma, 1.0);
    EXPECT_GT(means(render(pointedAt(0, 0)).copy(0, 0, SIZE.width(), SIZE.height() / 10)).luma, 50);
}

// ---- Exposure and colour ----------------------------------------------------------------

// Brightness is the mean luma; warmth is the mean red less the mean blue.
enum class Measure { Brightness, Warmth };
enum class Change { Less, Same, More };

struct LookCase {
    const char* name;
    std::function<void(CameraState&)> change;
    Measure measure;
    Change expected;
};
void PrintTo(const LookCase& c, std::ostream* os) { *os << c.name; }

double measured(const QImage& picture, Measure measure) {
    const Means m = means(picture);
    return measure == Measure::Brightness ? m.luma : m.red - m.blue;
}

class Look : public ::testing::TestWithParam<LookCase> {};

TEST_P(Look, MovesTheExpectedWay) {
    const LookCase& c = GetParam();
    CameraState s = pointedAt(0, 0);
    const double before = measured(render(s), c.measure);
    c.change(s);
    const double after = measured(render(s), c.measure);
    switch (c.expected) {
        case Change::Less:
            EXPECT_LT(after, before - 5);
            break;
        case Change::Same:
            EXPECT_NEAR(after, before, 0.5);
            break;
        case Change::More:
            EXPECT_GT(after, before + 5);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Exposure, Look,
                         ::testing::Values(LookCase{"manual_iris_smaller",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.iris = 8;
                                                    },
                                                    Measure::Brightness, Change::Less},
                                           LookCase{"manual_iris_wider",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.iris = 0x11;
                                                    },
                                                    Measure::Brightness, Change::More},
                                           LookCase{"manual_gain_lower",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.gain = 0;
                                                    },
                                                    Measure::Brightness, Change::Less},
                                           LookCase{"manual_gain_higher",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.gain = 8;
                                                    },
                                                    Measure::Brightness, Change::More},
                                           LookCase{"manual_shutter_faster",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.shutter = 0x0F;
                                                    },
                                                    Measure::Brightness, Change::Less},
                                           LookCase{"manual_shutter_slower",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.shutter = 0x07;
                                                    },
                                                    Measure::Brightness, Change::More},
                                           LookCase{"manual_ignores_exposure_compensation",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x03;
                                                        s.expCompOn = true;
                                                        s.expComp = 0;
                                                    },
                                                    Measure::Brightness, Change::Same},
                                           LookCase{"auto_ignores_iris",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x00;
                                                        s.iris = 2;
                                                    },
                                                    Measure::Brightness, Change::Same},
                                           LookCase{"shutter_priority_compensates_the_shutter",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x0A;
                                                        s.shutter = 0x15;
                                                    },
                                                    Measure::Brightness, Change::Same},
                                           LookCase{"bright_mode_lower",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x0D;
                                                        s.bright = 0x0A;
                                                    },
                                                    Measure::Brightness, Change::Less},
                                           LookCase{"auto_exposure_compensation_down",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x00;
                                                        s.expCompOn = true;
                                                        s.expComp = 2;
                                                    },
                                                    Measure::Brightness, Change::Less},
                                           LookCase{"auto_exposure_compensation_off",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x00;
                                                        s.expComp = 2;
                                                    },
                                                    Measure::Brightness, Change::Same},
                                           LookCase{"auto_back_light",
                                                    [](CameraState& s) {
                                                        s.aeMode = 0x00;
                                                        s.backlight = true;
                                                    },
                                                    Measure::Brightness, Change::More}),
                         ByName());

INSTANTIATE_TEST_SUITE_P(WhiteBalance, Look,
                         ::testing::Values(LookCase{"manual_more_red",
                                                    [](CameraState& s) {
                                                        s.wbMode = 0x05;
                                                        s.rGain = 0xC0;
                                                    },
                                                    Measure::Warmth, Change::More},
                                           LookCase{"manual_more_blue",
                                                    [](CameraState& s) {
                                                        s.wbMode = 0x05;
                                                        s.bGain = 0xC0;
                                                    },
                                                    Measure::Warmth, Change::Less},
                                           LookCase{"manual_less_blue",
                                                    [](CameraState& s) {
                                                        s.wbMode = 0x05;
                                                        s.bGain = 0x40;
                                                    },
                                                    Measure::Warmth, Change::More},
                                           LookCase{"indoor_under_daylight",
                                                    [](CameraState& s) { s.wbMode = 0x01; },
                                                    Measure::Warmth, Change::Less},
                                           LookCase{"auto_ignores_the_gains",
                                                    [](CameraState& s) {
                                                        s.wbMode = 0x00;
                                                        s.rGain = 0xFF;
                                                    },
                                                    Measure::Warmth, Change::Same},
                                           LookCase{"one_push_is_neutral_in_daylight",
                                                    [](CameraState& s) { s.wbMode = 0x03; },
                                                    Measure::Warmth, Change::Same}),
                         ByName());

TEST(View, ManualAtItsResetValuesExposesAsTheAutomaticModesDo) {
    CameraState manual = pointedAt(0, 0);
    manual.aeMode = 0x03;
    EXPECT_EQ(render(manual), render(pointedAt(0, 0)));
}

TEST(View, ManualIrisClosedIsBlack) {
    CameraState s = pointedAt(0, 0);
    s.aeMode = 0x03;
    s.iris = 0;
    EXPECT_LT(means(render(s)).luma, 1.0);
}

// ---- Digital effects ----------------------------------------------------------------------

TEST(View, StillKeepsThePictureOfTheMomentItCameOnOverTheLiveOne) {
    PictureStream stream;
    const Camsim::TimePoint t0{};
    CameraState s = pointedAt(0, 0);
    s.digitalEffect = 0x01;
    s.digitalEffectLevel = 0x10;
    const QImage first = stream.next(s, SIZE, CLOCK, t0);
    s.pan = 240;
    const QImage moved = stream.next(s, SIZE, CLOCK, t0 + std::chrono::seconds(1));
    CameraState live = s;
    live.digitalEffect = 0;
    // The chart stays where it was, faintly, though the camera looks elsewhere.
    EXPECT_GT(meanDifference(moved, render(live)), 5);
    EXPECT_GT(meanDifference(moved, first), 5);
}

TEST(View, TrailFadesIntoTheLivePictureOnceTheCameraStops) {
    PictureStream stream;
    Camsim::TimePoint t{};
    CameraState s = pointedAt(0, 0);
    s.digitalEffect = 0x04;
    stream.next(s, SIZE, CLOCK, t);
    s.pan = 160;
    const QImage smeared = stream.next(s, SIZE, CLOCK, t += std::chrono::milliseconds(33));
    EXPECT_TRUE(stream.settling());
    CameraState live = s;
    live.digitalEffect = 0;
    EXPECT_GT(meanDifference(smeared, render(live)), 3);
    QImage picture;
    for (int frame = 0; frame < 200 && stream.settling(); ++frame) {
        picture = stream.next(s, SIZE, CLOCK, t += std::chrono::milliseconds(33));
    }
    EXPECT_FALSE(stream.settling());
    EXPECT_EQ(picture, render(live));
}

TEST(View, FlashShowsANewPictureOnlyNowAndThen) {
    PictureStream stream;
    const Camsim::TimePoint t0{};
    CameraState s = pointedAt(0, 0);
    s.digitalEffect = 0x02;
    s.digitalEffectLevel = 0x08;  // (2 + 30 x 8 / 32) / 30 s, about a third of a second
    const QImage first = stream.next(s, SIZE, CLOCK, t0);
    s.pan = 80;
    EXPECT_EQ(stream.next(s, SIZE, CLOCK, t0 + std::chrono::milliseconds(100)), first);
    EXPECT_TRUE(stream.settling());
    CameraState live = s;
    live.digitalEffect = 0;
    EXPECT_EQ(stream.next(s, SIZE, CLOCK, t0 + std::chrono::milliseconds(400)), render(live));
}

}  // namespace
