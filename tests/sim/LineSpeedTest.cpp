// The line's speed: a client at the camera's speed is answered, one at another speed is not,
// and the pace of the replies follows the speed.
#include <gtest/gtest.h>
#include <termios.h>

#include <string>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "tests/support/Eventually.h"

namespace {

using SimTest::Bytes;
using SimTest::Clock;
using SimTest::hex;
using SimTest::Line;
using SimTest::milliseconds;
using SimTest::toHex;

Camsim::ServerOptions atSpeed(int baud) {
    Camsim::ServerOptions options;
    options.model.lineSpeed = baud;
    return options;
}

struct SpeedCase {
    int camera;      // baud
    speed_t client;  // as the client sets its line; B0 leaves it alone
    bool understood;
};

void PrintTo(const SpeedCase& c, std::ostream* os) {
    *os << "camera " << c.camera << ", client code " << c.client;
}

class LineSpeed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(LineSpeed, OnlyAClientAtTheCamerasSpeedIsAnswered) {
    const SpeedCase& c = GetParam();
    Line line(atSpeed(c.camera));
    if (c.client != B0) line.port.setSpeed(c.client);
    line.port.send("81 01 04 33 02 FF");
    if (c.understood) {
        EXPECT_EQ(toHex(line.port.read(6)), "90 41 FF 90 51 FF");
        EXPECT_TRUE(line.server.camera().backlight);
        EXPECT_EQ(line.server.bytesNotUnderstood(), 0u);
        return;
    }
    // Once the camera has read the bytes as noise, the client turns to the right speed: the
    // marker's answer then comes alone, with nothing before it for the command.
    ASSERT_TRUE(TestSupport::eventually([&] { return line.server.bytesNotUnderstood() == 6; }));
    line.port.setSpeed(c.camera == 9600 ? B9600 : c.camera == 38400 ? B38400 : B115200);
    EXPECT_EQ(toHex(line.throughMarker(0)), SimTest::MARKER_REPLY);
    EXPECT_FALSE(line.server.camera().backlight);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, LineSpeed,
    ::testing::Values(SpeedCase{9600, B0, true}, SpeedCase{9600, B9600, true},
                      SpeedCase{9600, B38400, false}, SpeedCase{9600, B115200, false},
                      SpeedCase{38400, B0, true}, SpeedCase{38400, B38400, true},
                      SpeedCase{38400, B9600, false}, SpeedCase{115200, B115200, true},
                      SpeedCase{115200, B57600, false}, SpeedCase{115200, B19200, false}));

TEST(LineSpeed, AClientThatSplitsItsSpeedsIsNotUnderstood) {
    Line line;
    termios tio{};
    ASSERT_EQ(::tcgetattr(line.port.fd(), &tio), 0);
    ASSERT_EQ(::cfsetospeed(&tio, B9600), 0);
    ASSERT_EQ(::cfsetispeed(&tio, B38400), 0);
    ASSERT_EQ(::tcsetattr(line.port.fd(), TCSANOW, &tio), 0);
    line.port.send("81 09 04 00 FF");
    ASSERT_TRUE(TestSupport::eventually([&] { return line.server.bytesNotUnderstood() == 5; }));
    line.port.setSpeed(B9600);
    EXPECT_EQ(toHex(line.throughMarker(0)), SimTest::MARKER_REPLY);
}

TEST(LineSpeed, PacedRepliesTakeTheirBytesTimeAtTheLinesSpeed) {
    Camsim::ServerOptions options = atSpeed(2400);
    options.timing.pace9600 = true;
    Line line(options);
    // Eleven bytes at 2400 baud, 4.17 ms each: the last leaves ten byte times after the first.
    const auto sent = Clock::now();
    line.port.send("81 09 06 12 FF");
    EXPECT_EQ(toHex(line.port.read(11)), "90 50 00 00 00 00 00 00 00 00 FF");
    EXPECT_GE(Clock::now() - sent, milliseconds(40));
}

TEST(LineSpeed, AnUnknownSpeedIsRefused) {
    for (const int baud : {0, 300, 12345, 230400}) {
        EXPECT_THROW(Camsim::PtyServer server(atSpeed(baud)), std::invalid_argument) << baud;
    }
}

}  // namespace
