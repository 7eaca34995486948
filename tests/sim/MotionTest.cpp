// Motion over time and the timing options, seen on the line. Times are only ever checked as
// lower bounds; upper bounds are left to the order in which replies arrive.
#include <gtest/gtest.h>

#include <thread>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "tests/support/Eventually.h"

namespace {

using SimTest::Bytes;
using SimTest::Clock;
using SimTest::hex;
using SimTest::Line;
using SimTest::milliseconds;
using SimTest::Port;
using SimTest::toHex;

using SimTest::DONE;

int nibbles(const Bytes& r, std::size_t at) {
    return (r[at] << 12) | (r[at + 1] << 8) | (r[at + 2] << 4) | r[at + 3];
}
int signed16(int v) { return v >= 0x8000 ? v - 0x10000 : v; }

struct PanTilt {
    int pan;
    int tilt;
};

PanTilt inquirePanTilt(Port& port) {
    port.send("81 09 06 12 FF");
    const Bytes r = port.read(11);
    EXPECT_EQ(r.size(), 11u) << toHex(r);
    if (r.size() != 11) return {99999, 99999};
    return {signed16(nibbles(r, 2)), signed16(nibbles(r, 6))};
}

int inquireValue(Port& port, std::uint8_t code) {
    port.send(Bytes{0x81, 0x09, 0x04, code, 0xFF});
    const Bytes r = port.read(7);
    EXPECT_EQ(r.size(), 7u) << toHex(r);
    return r.size() == 7 ? nibbles(r, 2) : -1;
}

TEST(Motion, DriveMovesUntilStopped) {
    Line line;
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 06 01 10 0A 02 01 FF"), 6)), DONE);  // up-right
    const PanTilt a = inquirePanTilt(line.port);
    std::this_thread::sleep_for(milliseconds(100));
    const PanTilt b = inquirePanTilt(line.port);
    EXPECT_GT(b.pan, a.pan);
    EXPECT_GT(b.tilt, a.tilt);
    EXPECT_TRUE(line.server.camera().panTiltMoving);

    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 06 01 18 14 03 03 FF"), 6)), DONE);
    const PanTilt c = inquirePanTilt(line.port);
    std::this_thread::sleep_for(milliseconds(100));
    const PanTilt d = inquirePanTilt(line.port);
    EXPECT_EQ(c.pan, d.pan);
    EXPECT_EQ(c.tilt, d.tilt);
    EXPECT_FALSE(line.server.camera().panTiltMoving);
}

TEST(Motion, DriveDirectionsFollowTheDirectionBytes) {
    struct Case {
        const char* drive;
        int panSign;
        int tiltSign;
    };
    const Case cases[] = {
        {"81 01 06 01 18 14 01 03 FF", -1, 0},   // left
        {"81 01 06 01 18 14 02 03 FF", +1, 0},   // right
        {"81 01 06 01 18 14 03 01 FF", 0, +1},   // up
        {"81 01 06 01 18 14 03 02 FF", 0, -1},   // down
        {"81 01 06 01 18 14 01 02 FF", -1, -1},  // down-left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        Line line;
        ASSERT_EQ(toHex(line.port.exchange(hex(c.drive), 6)), DONE);
        std::this_thread::sleep_for(milliseconds(60));
        const PanTilt p = inquirePanTilt(line.port);
        EXPECT_EQ((p.pan > 0) - (p.pan < 0), c.panSign);
        EXPECT_EQ((p.tilt > 0) - (p.tilt < 0), c.tiltSign);
    }
}

TEST(Motion, FasterDriveCoversMoreGround) {
    Line slow;
    Line fast;
    ASSERT_EQ(toHex(slow.port.exchange(hex("81 01 06 01 01 14 02 03 FF"), 6)), DONE);
    ASSERT_EQ(toHex(fast.port.exchange(hex("81 01 06 01 18 14 02 03 FF"), 6)), DONE);
    std::this_thread::sleep_for(milliseconds(150));
    // The fast one started later and still went further: at 24 times the speed, however long
    // the machine held this thread up between the two drives.
    EXPECT_GT(inquirePanTilt(fast.port).pan, inquirePanTilt(slow.port).pan);
}

TEST(Motion, DriveStopsAtTheLimit) {
    Line line;
    Camsim::CameraState s = line.server.camera();
    s.pan = 1400;
    s.tilt = -350;
    line.server.setCamera(1, s);
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 06 01 18 14 02 02 FF"), 6)), DONE);
    std::this_thread::sleep_for(milliseconds(200));
    const PanTilt p = inquirePanTilt(line.port);
    EXPECT_EQ(p.pan, 1440);
    EXPECT_EQ(p.tilt, -360);
    EXPECT_FALSE(line.server.camera().panTiltMoving);
}

struct LensDrive {
    const char* drive;
    std::uint8_t inquiry;
    int start;
    int limit;
    bool digitalZoom;
};

void PrintTo(const LensDrive& d, std::ostream* os) { *os << d.drive; }

class LensDriveTest : public ::testing::TestWithParam<LensDrive> {};

TEST_P(LensDriveTest, MovesOverTimeAndStopsAtItsEnd) {
    const LensDrive& p = GetParam();
    Line line;
    Camsim::CameraState s = line.server.camera();
    s.digitalZoom = p.digitalZoom;
    if (p.inquiry == 0x47) s.zoom = p.start;
    if (p.inquiry == 0x48) s.focus = p.start;
    line.server.setCamera(1, s);

    // At the slowest speed each drive takes a second to its end, far longer than the machine
    // may hold this thread up between the two inquiries.
    ASSERT_EQ(toHex(line.port.exchange(hex(p.drive), 6)), DONE);
    const int a = inquireValue(line.port, p.inquiry);
    std::this_thread::sleep_for(milliseconds(40));
    const int b = inquireValue(line.port, p.inquiry);
    EXPECT_NE(a, b);
    EXPECT_EQ(p.limit > p.start, b > a);

    int last = b;
    EXPECT_TRUE(TestSupport::eventually(
        [&] {
            last = inquireValue(line.port, p.inquiry);
            return last == p.limit;
        },
        milliseconds(5000), milliseconds(50)))
        << last;
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(inquireValue(line.port, p.inquiry), p.limit);
}

INSTANTIATE_TEST_SUITE_P(
    ZoomAndFocus, LensDriveTest,
    ::testing::Values(
        LensDrive{"81 01 04 07 20 FF", 0x47, 0x3800, 0x4000, false},  // tele to the optical end
        LensDrive{"81 01 04 07 20 FF", 0x47, 0x6800, 0x7000, true},   // digital range
        LensDrive{"81 01 04 07 30 FF", 0x47, 0x0800, 0x0000, false},  // wide
        LensDrive{"81 01 04 08 20 FF", 0x48, 0x1E80, 0x1000, false},  // far, towards infinity
        LensDrive{"81 01 04 08 30 FF", 0x48, 0x7580, 0x8400, false}   // near
        ));

TEST(Motion, ZoomStopHolds) {
    Line line;
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 04 07 02 FF"), 6)), DONE);
    std::this_thread::sleep_for(milliseconds(50));
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 04 07 00 FF"), 6)), DONE);
    const int a = inquireValue(line.port, 0x47);
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_GT(a, 0);
    EXPECT_EQ(inquireValue(line.port, 0x47), a);
}

TEST(Motion, AbsoluteMoveCompletesOnArrivalAndIsSeenOnTheWay) {
    Line line;
    const auto sent = Clock::now();
    // Pan 1440 at pan speed 6: 240 x 6 = 1440 counts per second, so one second.
    line.port.send("81 01 06 02 06 14 00 05 0A 00 00 00 00 00 FF");
    ASSERT_EQ(toHex(line.port.read(3)), "90 41 FF");
    // Asked on the way, the camera is somewhere between start and target.
    std::this_thread::sleep_for(milliseconds(100));
    const PanTilt midway = inquirePanTilt(line.port);
    EXPECT_GT(midway.pan, 0);
    EXPECT_LT(midway.pan, 1440);
    EXPECT_TRUE(line.server.camera().panTiltMoving);
    ASSERT_EQ(toHex(line.port.read(3, milliseconds(3000))), "90 51 FF");
    EXPECT_GE(Clock::now() - sent, milliseconds(950));
    EXPECT_EQ(inquirePanTilt(line.port).pan, 1440);
}

TEST(Motion, FasterAbsoluteMoveArrivesFirst) {
    Line slow;
    Line fast;
    // The same tilt move, at tilt speed 5 (one second) and 0x14 (a quarter of a second).
    slow.port.send("81 01 06 02 18 05 00 00 00 00 00 01 06 08 FF");
    fast.port.send("81 01 06 02 18 14 00 00 00 00 00 01 06 08 FF");
    ASSERT_EQ(toHex(slow.port.read(3)), "90 41 FF");
    ASSERT_EQ(toHex(fast.port.read(3)), "90 41 FF");
    pollfd both[2] = {{slow.port.fd(), POLLIN, 0}, {fast.port.fd(), POLLIN, 0}};
    ASSERT_EQ(::poll(both, 2, 3000), 1);
    EXPECT_TRUE(both[1].revents & POLLIN);
    EXPECT_EQ(toHex(fast.port.read(3)), "90 51 FF");
    EXPECT_EQ(toHex(slow.port.read(3, milliseconds(3000))), "90 51 FF");
}

TEST(Motion, HomeAndRecallAreTimedMoves) {
    Line line;
    Camsim::CameraState s = line.server.camera();
    s.pan = -1440;
    s.tilt = 360;
    line.server.setCamera(1, s);
    line.port.send("81 01 06 04 FF 81 09 06 12 FF");
    // The position inquiry is answered before home is reached.
    const Bytes r = line.port.read(17, milliseconds(3000));
    ASSERT_EQ(r.size(), 17u);
    EXPECT_EQ(toHex(Bytes(r.begin(), r.begin() + 3)), "90 41 FF");
    EXPECT_EQ(toHex(Bytes(r.begin() + 14, r.end())), "90 51 FF");
    EXPECT_EQ(inquirePanTilt(line.port).pan, 0);

    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 04 3F 01 05 FF"), 6)), DONE);
    s = line.server.camera();
    s.pan = 1000;
    line.server.setCamera(1, s);
    line.port.send("81 01 04 3F 02 05 FF 81 09 06 12 FF");
    const Bytes q = line.port.read(17, milliseconds(3000));
    ASSERT_EQ(q.size(), 17u);
    EXPECT_EQ(toHex(Bytes(q.begin() + 14, q.end())), "90 51 FF");
}

TEST(Motion, StopDuringAnAbsoluteMoveCompletesItThere) {
    Line line;
    line.port.send("81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF");  // two seconds
    ASSERT_EQ(toHex(line.port.read(3)), "90 41 FF");
    std::this_thread::sleep_for(milliseconds(50));
    // The move's completion comes first, then the stop's own ACK and completion.
    EXPECT_EQ(toHex(line.port.exchange(hex("81 01 06 01 18 14 03 03 FF"), 9)),
              "90 51 FF 90 41 FF 90 51 FF");
    const int pan = line.server.camera().pan;
    EXPECT_GT(pan, 0);
    EXPECT_LT(pan, 1440);
    EXPECT_FALSE(line.server.camera().panTiltMoving);
}

TEST(Timing, InstantMovesArriveBeforeTheNextInquiry) {
    for (const bool atRuntime : {false, true}) {
        SCOPED_TRACE(atRuntime ? "set at runtime" : "set at start");
        Camsim::Timing t;
        t.instant = !atRuntime;
        Line line(t);
        if (atRuntime) {
            t.instant = true;
            line.server.setTiming(t);
        }
        // Without instant timing this two-second move would be answered ACK, position, and
        // only then its completion.
        line.port.send("81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF 81 09 06 12 FF");
        EXPECT_EQ(toHex(line.port.read(17)), "90 41 FF 90 51 FF 90 50 00 05 0A 00 00 00 00 00 FF");
    }
}

TEST(Timing, CompletionDelayHoldsTheCompletionBack) {
    Camsim::Timing t;
    t.completionDelay = milliseconds(150);
    Line line(t);
    line.port.send("81 01 04 33 02 FF 81 09 04 33 FF");
    const auto sent = Clock::now();
    // The inquiry is answered while the setting's completion is still held back.
    EXPECT_EQ(toHex(line.port.read(7)), "90 41 FF 90 50 02 FF");
    EXPECT_EQ(toHex(line.port.read(3)), "90 51 FF");
    EXPECT_GE(Clock::now() - sent, milliseconds(140));
}

TEST(Timing, PacedBytesTakeTheirTimeOnTheLine) {
    Camsim::Timing t;
    t.pace9600 = true;
    Line line(t);
    // Timed from the request, which the first byte cannot precede: a reader that falls behind
    // finds bytes waiting, but the last of the eleven leaves ten byte times after the first.
    const auto sent = Clock::now();
    line.port.send("81 09 06 12 FF");
    const Bytes reply = line.port.read(11);
    EXPECT_GE(Clock::now() - sent, milliseconds(10));
    EXPECT_EQ(toHex(reply), "90 50 00 00 00 00 00 00 00 00 FF");
}

}  // namespace
