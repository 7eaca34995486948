// Edge values of the conversions between caller units and camera counts, and of the nibble
// coding that carries 16-bit values in a packet.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "driver/ViscaControllerImpl.h"
#include "tests/support/Hex.h"
#include "tests/support/ScriptedComm.h"

namespace ApiTest {
namespace {

using namespace CameraDriver;
using namespace TestSupport;

using V = ViscaControllerImpl;

struct ToCounts {
    const char* what;
    int (*convert)(double);
    double x;
    int counts;
};

// Truncation is toward zero: -0.9 gives -1297 rather than the -1296 that rounding gives, and
// a sum that goes slightly negative truncates up, where flooring would go one count lower.
const ToCounts TO_COUNTS[] = {
    {"pan -1", V::panToCounts, -1.0, -1440},
    {"pan 0", V::panToCounts, 0.0, 0},
    {"pan 1", V::panToCounts, 1.0, 1440},
    {"pan -0.9", V::panToCounts, -0.9, -1297},
    {"pan 1.5 unclamped", V::panToCounts, 1.5, 2160},
    {"pan -1.0005 toward zero", V::panToCounts, -1.0005, -1440},
    {"tilt -1", V::tiltToCounts, -1.0, -360},
    {"tilt 0", V::tiltToCounts, 0.0, 0},
    {"tilt 1", V::tiltToCounts, 1.0, 360},
    {"tilt 0.9", V::tiltToCounts, 0.9, 324},
    {"tilt -0.9", V::tiltToCounts, -0.9, -325},
    {"focus 0", V::focusToCounts, 0.0, 4096},
    {"focus 0.5", V::focusToCounts, 0.5, 18944},
    {"focus 1", V::focusToCounts, 1.0, 33792},
    {"focus -0.2 toward zero", V::focusToCounts, -0.2, -1843},
};

TEST(Conversion, CallerUnitsToCounts) {
    for (const ToCounts& row : TO_COUNTS) {
        EXPECT_EQ(row.convert(row.x), row.counts) << row.what;
    }
}

// Far outside the travel a count no longer fits an int: every conversion saturates there (NaN
// gives 0) rather than overflow. The rows "past" lie two counts beyond the range of int once
// the offset is applied, where pan and tilt used to overflow after saturating.
TEST(Conversion, CountsBeyondTheRangeOfIntSaturate) {
    constexpr int MAX = std::numeric_limits<int>::max();
    constexpr int MIN = std::numeric_limits<int>::min();
    constexpr double INF = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();

    ViscaControllerImpl impl;
    auto* camera = new ScriptedComm;
    impl.setComm(std::unique_ptr<Comm>(camera));
    // zoomToCounts asks for the digital zoom state first: off, so 16384 counts per unit.
    const auto zoom = [&](double x) {
        camera->reply(hex("90 50 03 FF"));
        return impl.zoomToCounts(x);
    };
    struct Conversion {
        const char* name;
        std::function<int(double)> convert;
        double scale;
        double offset;  // counts at 0
    };
    const Conversion conversions[] = {
        {"pan", V::panToCounts, 1440, 0},
        {"tilt", V::tiltToCounts, 360, 0},
        {"zoom", zoom, 16384, 0},
        {"focus", V::focusToCounts, 29696, 4096},
    };
    for (const Conversion& c : conversions) {
        const struct {
            const char* what;
            double x;
            int counts;
        } rows[] = {
            {"1e300", 1e300, MAX},
            {"-1e300", -1e300, MIN},
            {"infinity", INF, MAX},
            {"-infinity", -INF, MIN},
            {"NaN", nan, 0},
            {"past the top", (double(MAX) + 2 - c.offset) / c.scale, MAX},
            {"past the bottom", (double(MIN) - 2 - c.offset) / c.scale, MIN},
        };
        for (const auto& row : rows) {
            EXPECT_EQ(c.convert(row.x), row.counts) << c.name << " " << row.what;
        }
    }
    EXPECT_EQ(camera->pendingReplies(), 0u);
}

TEST(Conversion, PanPointThreeMayLandEitherSideOfTheRoundingError) {
    // 1.3 * 1440 lies within rounding error of 1872; extended and plain double arithmetic
    // disagree by one count, and both are acceptable.
    const int counts = V::panToCounts(0.3);
    EXPECT_TRUE(counts == 431 || counts == 432) << counts;
}

TEST(Conversion, CountsToPanAndTiltHitTheEndsExactly) {
    EXPECT_EQ(V::countsToPan(-1440), -1.0);
    EXPECT_EQ(V::countsToPan(1440), 1.0);
    EXPECT_EQ(V::countsToTilt(-360), -1.0);
    EXPECT_EQ(V::countsToTilt(360), 1.0);
}

TEST(Conversion, CountsToPanAndTiltOfTheCentreAreWithinRoundingOfZero) {
    EXPECT_LE(std::fabs(V::countsToPan(0)), 1e-16);
    EXPECT_LE(std::fabs(V::countsToTilt(0)), 1e-16);
}

TEST(Conversion, CountsToFocusCarriesTheOffset) {
    EXPECT_EQ(V::countsToFocus(4096), 0.0);
    EXPECT_EQ(V::countsToFocus(0), -0.13793103448275862);
    EXPECT_NEAR(V::countsToFocus(33792), 1.0, 2e-16);
}

TEST(Conversion, PackNibblesSendsTheLowSixteenBitsMostSignificantFirst) {
    struct Row {
        int value;
        const char* nibbles;
    };
    const Row rows[] = {
        {0x1234, "01 02 03 04"}, {0, "00 00 00 00"},       {-1, "0F 0F 0F 0F"},
        {-1297, "0F 0A 0E 0F"},  {0x12345, "02 03 04 05"}, {-360, "0F 0E 09 08"},
    };
    for (const Row& row : rows) {
        Bytes dest(6, 0xAA);
        V::packNibbles(dest.data() + 1, row.value);
        EXPECT_EQ(toHex(dest), "AA " + toHex(hex(row.nibbles)) + " AA") << row.value;
    }
}

TEST(Conversion, UnpackNibblesKeepsSixteenBitsWithoutSignExtension) {
    struct Row {
        const char* nibbles;
        int value;
    };
    const Row rows[] = {
        {"01 02 03 04", 0x1234},
        {"0F 0F 0F 0F", 65535},
        // The high nibbles of the first and third byte fall off the top of their byte...
        {"F1 02 E3 04", 0x1234},
        // ...while the second and fourth byte are ORed in whole.
        {"01 F2 03 04", 0xF234},
        {"00 00 00 F0", 0x00F0},
        {"00 00 01 F0", 0x00F0},
    };
    for (const Row& row : rows) {
        const Bytes src = hex(row.nibbles);
        EXPECT_EQ(V::unpackNibbles(src.data()), row.value) << row.nibbles;
    }
}

}  // namespace
}  // namespace ApiTest
