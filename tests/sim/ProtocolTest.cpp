// Requests and replies of the virtual camera, seen as raw bytes on its line.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"

namespace {

using SimTest::Bytes;
using SimTest::hex;
using SimTest::Line;
using SimTest::milliseconds;
using SimTest::Port;
using SimTest::toHex;

using SimTest::DONE;
using SimTest::SYNTAX_ERROR;

struct Exchange {
    const char* request;
    const char* reply;
};

void PrintTo(const Exchange& e, std::ostream* os) { *os << e.request << " -> " << e.reply; }

class RequestReply : public ::testing::TestWithParam<Exchange> {};

TEST_P(RequestReply, OneCameraAnswersAsTabled) {
    Line line;
    const Bytes expected = hex(GetParam().reply);
    EXPECT_EQ(toHex(line.port.exchange(hex(GetParam().request), expected.size())), toHex(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RequestReply,
    ::testing::Values(
        Exchange{"81 01 04 00 02 FF", DONE},           // power on
        Exchange{"81 01 04 07 02 FF", DONE},           // zoom tele, standard speed
        Exchange{"81 01 04 07 25 FF", DONE},           // zoom tele, speed 5
        Exchange{"81 01 04 07 37 FF", DONE},           // zoom wide, speed 7
        Exchange{"81 01 04 07 00 FF", DONE},           // zoom stop
        Exchange{"81 01 04 06 02 FF", DONE},           // digital zoom on
        Exchange{"81 01 04 38 03 FF", DONE},           // manual focus
        Exchange{"81 01 04 08 23 FF", DONE},           // focus far, speed 3
        Exchange{"81 01 04 08 03 FF", DONE},           // focus near, standard speed
        Exchange{"81 01 04 18 02 FF", DONE},           // focus infinity
        Exchange{"81 01 04 18 01 FF", DONE},           // one-push auto focus
        Exchange{"81 01 04 47 00 00 00 00 FF", DONE},  // zoom position, already there
        Exchange{"81 01 04 48 01 00 00 00 FF", DONE},  // focus position, already there
        Exchange{"81 01 04 28 04 0A 00 00 FF", DONE},  // focus near limit
        Exchange{"81 01 06 01 18 14 03 01 FF", DONE},  // tilt up
        Exchange{"81 01 06 01 09 05 01 01 FF", DONE},  // up-left at 5 and 9
        Exchange{"81 01 06 01 18 14 03 03 FF", DONE},  // stop
        Exchange{"81 01 06 04 FF", DONE},              // home, already there
        Exchange{"81 01 06 02 18 14 00 00 00 00 00 00 00 00 FF", DONE},  // absolute, 15 bytes
        Exchange{"81 01 06 03 18 14 00 00 00 00 00 00 00 00 FF", DONE},  // relative, no offset
        Exchange{"81 01 06 05 FF", DONE},                                // pan-tilt reset
        Exchange{"81 01 04 35 05 FF", DONE},                             // white balance manual
        Exchange{"81 01 04 10 05 FF", DONE},                             // one-push white balance
        Exchange{"81 01 04 43 00 00 0F 0F FF", DONE},                    // red gain 255
        Exchange{"81 01 04 04 02 FF", DONE},                             // blue gain up
        Exchange{"81 01 04 03 03 FF", DONE},                             // red gain down
        Exchange{"81 01 04 39 0A FF", DONE},                             // shutter priority
        Exchange{"81 01 04 5A 02 FF", DONE},                             // automatic slow shutter
        Exchange{"81 01 04 4A 00 00 01 03 FF", DONE},                    // shutter 19
        Exchange{"81 01 04 0B 00 FF", DONE},                             // iris reset
        Exchange{"81 01 04 4C 00 00 00 0F FF", DONE},                    // gain 15
        Exchange{"81 01 04 0D 02 FF", DONE},                             // bright up
        Exchange{"81 01 04 3E 02 FF", DONE},                             // exposure compensation on
        Exchange{"81 01 04 0E 03 FF", DONE},           // exposure compensation down
        Exchange{"81 01 04 33 02 FF", DONE},           // backlight on
        Exchange{"81 01 04 42 00 00 00 0F FF", DONE},  // aperture 15
        Exchange{"81 01 04 58 03 FF", DONE},           // low AF sensitivity
        Exchange{"81 01 04 3F 01 03 FF", DONE},        // memory set 3, 7 bytes
        Exchange{"81 01 04 3F 02 03 FF", DONE},        // memory recall 3
        Exchange{"81 01 04 3F 00 03 FF", DONE},        // memory reset 3
        Exchange{"81 01 04 60 02 FF", DONE},           // wide mode full
        Exchange{"81 01 04 61 02 FF", DONE},           // left/right reverse
        Exchange{"81 01 04 62 02 FF", DONE},           // freeze
        Exchange{"81 01 04 63 08 FF", DONE},           // picture effect stretch
        Exchange{"81 01 04 64 04 FF", DONE},           // digital effect trail
        Exchange{"81 01 04 65 20 FF", DONE},           // digital effect level 0x20
        Exchange{"81 01 06 06 02 FF", DONE},           // data screen on
        Exchange{"81 01 06 08 03 FF", DONE},           // infrared reception off
        Exchange{"81 01 7D 01 03 00 00 FF", DONE},     // infrared return on, 8 bytes
        Exchange{"81 01 7D 01 13 00 00 FF", DONE},     // infrared return off
        Exchange{"81 01 04 40 00 00 01 0E FF", DONE},  // auto power-off 30 minutes
        Exchange{"81 01 00 01 FF", "90 50 FF"}         // IF_Clear to one camera
        ));

INSTANTIATE_TEST_SUITE_P(
    Inquiries, RequestReply,
    ::testing::Values(Exchange{"81 09 04 00 FF", "90 50 02 FF"},                    // power
                      Exchange{"81 09 00 02 FF", "90 50 00 51 00 01 01 00 02 FF"},  // device type
                      Exchange{"81 09 06 12 FF",
                               "90 50 00 00 00 00 00 00 00 00 FF"},        // pan and tilt
                      Exchange{"81 09 04 47 FF", "90 50 00 00 00 00 FF"},  // zoom
                      Exchange{"81 09 04 06 FF", "90 50 03 FF"},           // digital zoom
                      Exchange{"81 09 04 38 FF", "90 50 02 FF"},           // focus mode: automatic
                      Exchange{"81 09 04 48 FF", "90 50 01 00 00 00 FF"},  // focus at infinity
                      Exchange{"81 09 04 28 FF", "90 50 01 00 00 00 FF"},  // focus near limit
                      Exchange{"81 09 04 35 FF", "90 50 00 FF"},           // white balance auto
                      Exchange{"81 09 04 43 FF", "90 50 00 00 08 00 FF"},  // red gain
                      Exchange{"81 09 04 44 FF", "90 50 00 00 08 00 FF"},  // blue gain
                      Exchange{"81 09 04 39 FF", "90 50 00 FF"},           // exposure full auto
                      Exchange{"81 09 04 5A FF", "90 50 03 FF"},           // slow shutter manual
                      Exchange{"81 09 04 4A FF", "90 50 00 00 00 0B FF"},  // shutter
                      Exchange{"81 09 04 4B FF", "90 50 00 00 00 0C FF"},  // iris
                      Exchange{"81 09 04 4C FF", "90 50 00 00 00 01 FF"},  // gain
                      Exchange{"81 09 04 4D FF", "90 50 00 00 01 00 FF"},  // bright
                      Exchange{"81 09 04 3E FF", "90 50 03 FF"},  // exposure compensation off
                      Exchange{"81 09 04 4E FF", "90 50 00 00 00 07 FF"},  // exposure compensation
                      Exchange{"81 09 04 33 FF", "90 50 03 FF"},           // backlight off
                      Exchange{"81 09 04 42 FF", "90 50 00 00 00 05 FF"},  // aperture
                      Exchange{"81 09 04 40 FF", "90 50 00 00 00 00 FF"}   // auto power-off
                      ));

INSTANTIATE_TEST_SUITE_P(
    SyntaxErrors, RequestReply,
    ::testing::Values(
        Exchange{"81 01 04 99 02 FF", SYNTAX_ERROR},           // unknown command
        Exchange{"81 01 04 38 04 FF", SYNTAX_ERROR},           // flag neither 02 nor 03
        Exchange{"81 01 04 07 28 FF", SYNTAX_ERROR},           // zoom speed 8
        Exchange{"81 01 04 08 09 FF", SYNTAX_ERROR},           // focus drive code
        Exchange{"81 01 06 01 00 14 03 03 FF", SYNTAX_ERROR},  // pan speed 0
        Exchange{"81 01 06 01 19 14 01 03 FF", SYNTAX_ERROR},  // pan speed above 0x18
        Exchange{"81 01 06 01 18 15 03 01 FF", SYNTAX_ERROR},  // tilt speed above 0x14
        Exchange{"81 01 06 01 18 14 03 04 FF", SYNTAX_ERROR},  // tilt direction
        Exchange{"81 01 06 02 18 14 00 00 00 00 00 00 00 FF",
                 SYNTAX_ERROR},  // absolute, one nibble short
        Exchange{"81 01 06 02 18 14 00 08 07 00 00 00 00 00 FF", SYNTAX_ERROR},  // pan 2160
        Exchange{"81 01 06 02 18 14 00 00 00 00 00 01 06 09 FF", SYNTAX_ERROR},  // tilt 361
        Exchange{"81 01 06 03 00 14 00 00 00 01 00 00 00 00 FF", SYNTAX_ERROR},  // relative, 0
        Exchange{"81 01 06 03 18 15 00 00 00 01 00 00 00 00 FF", SYNTAX_ERROR},  // tilt speed
        Exchange{"81 01 06 03 18 14 00 00 00 10 00 00 00 00 FF", SYNTAX_ERROR},  // not a nibble
        Exchange{"81 01 06 03 18 14 00 00 00 00 00 00 00 FF", SYNTAX_ERROR},     // one short
        Exchange{"81 01 06 05 00 FF", SYNTAX_ERROR},                             // reset, extra
        Exchange{"81 01 04 4A 10 00 00 00 FF", SYNTAX_ERROR},                    // not a nibble
        Exchange{"81 01 04 4A 00 00 01 06 FF", SYNTAX_ERROR},                    // shutter 0x16
        Exchange{"81 01 04 4E 0F 0F 0F 0F FF", SYNTAX_ERROR},  // exposure compensation -1
        Exchange{"81 01 04 47 05 00 00 00 FF", SYNTAX_ERROR},  // zoom beyond the optical end
        Exchange{"81 01 04 48 00 0F 0F 0F FF", SYNTAX_ERROR},  // focus below 0x1000
        Exchange{"81 01 04 0A 01 FF", SYNTAX_ERROR},           // stepping code 01
        Exchange{"81 01 04 39 01 FF", SYNTAX_ERROR},           // exposure mode 01
        Exchange{"81 01 04 35 06 FF", SYNTAX_ERROR},           // white balance mode 06
        Exchange{"81 01 04 3F 03 01 FF", SYNTAX_ERROR},        // memory operation 03
        Exchange{"81 01 04 3F 01 10 FF", SYNTAX_ERROR},        // preset 16
        Exchange{"81 01 7D 01 05 00 00 FF", SYNTAX_ERROR},     // infrared return code
        Exchange{"81 01 04 00 02 00 FF", SYNTAX_ERROR},        // one byte too many
        Exchange{"81 09 04 99 FF", SYNTAX_ERROR},              // unknown inquiry
        Exchange{"81 09 04 00 00 FF", SYNTAX_ERROR},           // inquiry one byte too long
        Exchange{"81 05 04 00 FF", SYNTAX_ERROR},              // neither command nor inquiry
        Exchange{"81 FF", SYNTAX_ERROR},                       // header only
        Exchange{"12 34 FF", SYNTAX_ERROR}                     // no header byte
        ));

INSTANTIATE_TEST_SUITE_P(
    Broadcasts, RequestReply,
    ::testing::Values(Exchange{"88 30 01 FF", "88 30 02 FF"},        // Address_Set, one camera
                      Exchange{"88 01 00 01 FF", "88 01 00 01 FF"},  // IF_Clear passed back
                      Exchange{"88 01 04 00 02 FF",
                               "88 01 04 00 02 FF"},           // power on for all, passed back
                      Exchange{"88 30 00 FF", "88 30 00 FF"},  // Address_Set from 0: not taken
                      Exchange{"83 09 04 00 FF", "83 09 04 00 FF"},  // to an absent camera
                      Exchange{"80 09 04 00 FF", "80 09 04 00 FF"},  // to the controller itself
                      Exchange{"90 41 FF", "90 41 FF"}               // a reply header travels round
                      ));

TEST(FrameAssembly, BytesArrivingOneByOneMakeOneFrame) {
    Line line;
    for (std::uint8_t b : hex("81 09 04 00 FF")) line.port.send(Bytes{b});
    EXPECT_EQ(toHex(line.port.read(4)), "90 50 02 FF");
}

TEST(FrameAssembly, SeveralFramesInOneWriteAreAnsweredInOrder) {
    Line line;
    line.port.send("81 09 04 00 FF 81 09 04 4E FF 81 01 04 33 02 FF");
    EXPECT_EQ(toHex(line.port.read(17)), "90 50 02 FF 90 50 00 00 00 07 FF 90 41 FF 90 51 FF");
}

TEST(FrameAssembly, OverlongFrameGetsOneSyntaxErrorAndTheNextFrameIsAnswered) {
    Line line;
    Bytes junk(40, 0x01);  // no terminator for 40 bytes
    junk.push_back(0xFF);
    line.port.send(junk);
    EXPECT_EQ(toHex(line.port.drain()), SYNTAX_ERROR);
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
}

TEST(FrameAssembly, SixteenByteFrameIsStillAFrame) {
    Line line;
    // 16 bytes with the terminator last: a frame (here malformed, hence the syntax error, but
    // answered once and not treated as an overflow that would swallow the next frame).
    line.port.send("81 01 04 00 02 00 00 00 00 00 00 00 00 00 00 FF 81 09 04 00 FF");
    EXPECT_EQ(toHex(line.port.read(8)), "90 60 02 FF 90 50 02 FF");
}

TEST(Chain, AddressSetCountsTheCameras) {
    for (int n = 1; n <= 7; ++n) {
        SCOPED_TRACE(n);
        Line line(n);
        const Bytes expected{0x88, 0x30, static_cast<std::uint8_t>(n + 1), 0xFF};
        EXPECT_EQ(toHex(line.port.exchange(hex("88 30 01 FF"), 4)), toHex(expected));
    }
}

TEST(Chain, EachCameraAnswersWithItsOwnHeaderAndAbsentOnesAreSkipped) {
    Line line(3);
    ASSERT_EQ(toHex(line.port.exchange(hex("88 30 01 FF"), 4)), "88 30 04 FF");
    const Exchange cases[] = {
        {"81 09 04 00 FF", "90 50 02 FF"},          {"82 09 04 00 FF", "A0 50 02 FF"},
        {"83 09 04 00 FF", "B0 50 02 FF"},          {"84 09 04 00 FF", "84 09 04 00 FF"},
        {"87 01 04 00 03 FF", "87 01 04 00 03 FF"}, {"82 01 04 07 02 FF", "A0 41 FF A0 51 FF"},
        {"83 01 04 99 FF", "B0 60 02 FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const Bytes expected = hex(c.reply);
        EXPECT_EQ(toHex(line.port.exchange(hex(c.request), expected.size())), toHex(expected));
    }
}

TEST(Chain, AddressSetFromAnotherStartRenumbers) {
    Line line(3);
    ASSERT_EQ(toHex(line.port.exchange(hex("88 30 05 FF"), 4)), "88 30 08 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("85 09 04 00 FF"), 4)), "D0 50 02 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("87 09 04 00 FF"), 4)), "F0 50 02 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 04 00 FF"), 5)), "81 09 04 00 FF");
    EXPECT_EQ(line.server.camera(3).address, 7);

    // Numbering from 6 leaves the third camera without an address.
    ASSERT_EQ(toHex(line.port.exchange(hex("88 30 06 FF"), 4)), "88 30 09 FF");
    EXPECT_EQ(line.server.camera(3).address, 0);
    EXPECT_EQ(toHex(line.port.exchange(hex("87 09 04 00 FF"), 4)), "F0 50 02 FF");  // camera 2
}

TEST(Chain, BroadcastCommandIsCarriedOutByEveryCamera) {
    Line line(3);
    EXPECT_EQ(toHex(line.port.exchange(hex("88 01 04 33 02 FF"), 6)), "88 01 04 33 02 FF");
    for (int c = 1; c <= 3; ++c) EXPECT_TRUE(line.server.camera(c).backlight) << c;
    EXPECT_EQ(toHex(line.port.exchange(hex("83 09 04 33 FF"), 4)), "B0 50 02 FF");
}

TEST(Chain, IfClearDropsAPendingCompletion) {
    Line line(2);
    // A slow absolute move on camera 2; IF_Clear cancels it before it arrives.
    line.port.send("82 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF");
    ASSERT_EQ(toHex(line.port.read(3)), "A0 41 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("88 01 00 01 FF"), 5)), "88 01 00 01 FF");
    // A completion of the cleared move would come ahead of the marker's answer.
    EXPECT_EQ(toHex(line.throughMarker(2)), SimTest::MARKER_REPLY);
    EXPECT_FALSE(line.server.camera(2).panTiltMoving);
    EXPECT_LT(line.server.camera(2).pan, 1440);
}

struct Readback {
    std::vector<const char*> commands;  // each answered ACK and completion
    const char* inquiry;
    const char* reply;
};

void PrintTo(const Readback& r, std::ostream* os) {
    *os << r.commands.back() << " / " << r.inquiry;
}

class SetThenInquire : public ::testing::TestWithParam<Readback> {};

TEST_P(SetThenInquire, InquiryReadsBackWhatTheCommandSet) {
    Line line;
    for (const char* command : GetParam().commands) {
        SCOPED_TRACE(command);
        line.port.send(command);
        // Timed moves complete when they arrive, within a couple of seconds at most.
        ASSERT_EQ(toHex(line.port.read(6, milliseconds(4000))), DONE);
    }
    const Bytes expected = hex(GetParam().reply);
    EXPECT_EQ(toHex(line.port.exchange(hex(GetParam().inquiry), expected.size())), toHex(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SetThenInquire,
    ::testing::Values(
        Readback{{"81 01 04 00 03 FF", "81 01 04 00 02 FF"}, "81 09 04 00 FF", "90 50 02 FF"},
        Readback{{"81 01 04 06 02 FF"}, "81 09 04 06 FF", "90 50 02 FF"},
        Readback{{"81 01 04 38 03 FF"}, "81 09 04 38 FF", "90 50 03 FF"},
        Readback{{"81 01 04 28 04 0A 00 00 FF"}, "81 09 04 28 FF", "90 50 04 0A 00 00 FF"},
        Readback{{"81 01 04 35 03 FF"}, "81 09 04 35 FF", "90 50 03 FF"},
        Readback{{"81 01 04 43 00 00 0F 0F FF"}, "81 09 04 43 FF", "90 50 00 00 0F 0F FF"},
        Readback{{"81 01 04 44 00 00 00 01 FF"}, "81 09 04 44 FF", "90 50 00 00 00 01 FF"},
        Readback{{"81 01 04 39 0D FF"}, "81 09 04 39 FF", "90 50 0D FF"},
        Readback{{"81 01 04 5A 02 FF"}, "81 09 04 5A FF", "90 50 02 FF"},
        Readback{{"81 01 04 4A 00 00 01 03 FF"}, "81 09 04 4A FF", "90 50 00 00 01 03 FF"},
        Readback{{"81 01 04 4B 00 00 01 01 FF"}, "81 09 04 4B FF", "90 50 00 00 01 01 FF"},
        Readback{{"81 01 04 4C 00 00 00 0F FF"}, "81 09 04 4C FF", "90 50 00 00 00 0F FF"},
        Readback{{"81 01 04 4D 00 00 01 0F FF"}, "81 09 04 4D FF", "90 50 00 00 01 0F FF"},
        Readback{{"81 01 04 3E 02 FF"}, "81 09 04 3E FF", "90 50 02 FF"},
        Readback{{"81 01 04 4E 00 00 00 0E FF"}, "81 09 04 4E FF", "90 50 00 00 00 0E FF"},
        Readback{{"81 01 04 33 02 FF"}, "81 09 04 33 FF", "90 50 02 FF"},
        Readback{{"81 01 04 42 00 00 00 0F FF"}, "81 09 04 42 FF", "90 50 00 00 00 0F FF"},
        Readback{{"81 01 04 40 0F 0F 0F 0F FF"}, "81 09 04 40 FF", "90 50 0F 0F 0F 0F FF"},
        Readback{{"81 01 04 58 03 FF"}, "81 09 04 58 FF", "90 50 03 FF"},
        Readback{{"81 01 04 60 01 FF"}, "81 09 04 60 FF", "90 50 01 FF"},
        Readback{{"81 01 04 61 02 FF"}, "81 09 04 61 FF", "90 50 02 FF"},
        Readback{{"81 01 04 62 02 FF"}, "81 09 04 62 FF", "90 50 02 FF"},
        Readback{{"81 01 04 63 05 FF"}, "81 09 04 63 FF", "90 50 05 FF"},
        Readback{{"81 01 04 64 03 FF"}, "81 09 04 64 FF", "90 50 03 FF"},
        Readback{{"81 01 04 65 20 FF"}, "81 09 04 65 FF", "90 50 20 FF"},
        Readback{{"81 01 06 06 02 FF"}, "81 09 06 06 FF", "90 50 02 FF"},
        Readback{{"81 01 06 08 03 FF"}, "81 09 06 08 FF", "90 50 03 FF"}));

INSTANTIATE_TEST_SUITE_P(
    Positions, SetThenInquire,
    ::testing::Values(
        Readback{{"81 01 04 47 02 00 00 00 FF"}, "81 09 04 47 FF", "90 50 02 00 00 00 FF"},
        Readback{{"81 01 04 06 02 FF", "81 01 04 47 07 00 00 00 FF"},
                 "81 09 04 47 FF",
                 "90 50 07 00 00 00 FF"},
        // Leaving digital zoom pulls the lens back to the optical end.
        Readback{{"81 01 04 06 02 FF", "81 01 04 47 06 00 00 00 FF", "81 01 04 06 03 FF"},
                 "81 09 04 47 FF",
                 "90 50 04 00 00 00 FF"},
        Readback{{"81 01 04 48 04 0A 00 00 FF"}, "81 09 04 48 FF", "90 50 04 0A 00 00 FF"},
        Readback{{"81 01 04 48 08 04 00 00 FF", "81 01 04 18 02 FF"},
                 "81 09 04 48 FF",
                 "90 50 01 00 00 00 FF"},
        Readback{{"81 01 06 02 18 14 00 05 0A 00 0F 0E 09 08 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 05 0A 00 0F 0E 09 08 FF"},
        Readback{{"81 01 06 02 18 14 0F 0A 0E 0F 00 01 04 04 FF"},
                 "81 09 06 12 FF",
                 "90 50 0F 0A 0E 0F 00 01 04 04 FF"},
        Readback{{"81 01 06 02 18 14 00 00 06 04 00 00 03 02 FF", "81 01 06 04 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 00 00 00 00 00 00 00 FF"},
        Readback{{"81 01 06 02 18 14 00 00 06 04 00 00 03 02 FF", "81 01 06 05 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 00 00 00 00 00 00 00 FF"},
        // Relative moves count from where the camera is: pan 100 + 32, tilt 50 - 16.
        Readback{{"81 01 06 02 18 14 00 00 06 04 00 00 03 02 FF",
                  "81 01 06 03 18 14 00 00 02 00 0F 0F 0F 00 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 00 08 04 00 00 02 02 FF"},
        // Twice the same offset goes twice as far.
        Readback{{"81 01 06 03 10 10 0F 0F 09 0C 00 00 01 04 FF",
                  "81 01 06 03 10 10 0F 0F 09 0C 00 00 01 04 FF"},
                 "81 09 06 12 FF",
                 "90 50 0F 0F 03 08 00 00 02 08 FF"},
        // Offsets past the ends of travel stop there: pan +32767 to 1440, tilt -32768 to -360.
        Readback{{"81 01 06 03 18 14 07 0F 0F 0F 08 00 00 00 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 05 0A 00 0F 0E 09 08 FF"},
        // memorySet stores pan, tilt, zoom and focus; memoryRecall brings them back.
        Readback{{"81 01 06 02 18 14 00 00 06 04 00 00 03 02 FF", "81 01 04 47 01 00 00 00 FF",
                  "81 01 04 3F 01 02 FF", "81 01 06 04 FF", "81 01 04 47 00 00 00 00 FF",
                  "81 01 04 3F 02 02 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 00 06 04 00 00 03 02 FF"},
        Readback{{"81 01 04 47 01 00 00 00 FF", "81 01 04 3F 01 02 FF",
                  "81 01 04 47 00 00 00 00 FF", "81 01 04 3F 02 02 FF"},
                 "81 09 04 47 FF",
                 "90 50 01 00 00 00 FF"},
        // memoryReset clears the preset: recalling it goes to the power-on position.
        Readback{{"81 01 06 02 18 14 00 00 06 04 00 00 03 02 FF", "81 01 04 3F 01 02 FF",
                  "81 01 04 3F 00 02 FF", "81 01 04 3F 02 02 FF"},
                 "81 09 06 12 FF",
                 "90 50 00 00 00 00 00 00 00 00 FF"}));

TEST(State, InfraredReturnIsKeptAlthoughNoInquiryReadsIt) {
    Line line;
    EXPECT_EQ(toHex(line.port.exchange(hex("81 01 7D 01 03 00 00 FF"), 6)), DONE);
    EXPECT_TRUE(line.server.camera().irReturn);
    EXPECT_EQ(toHex(line.port.exchange(hex("81 01 7D 01 13 00 00 FF"), 6)), DONE);
    EXPECT_FALSE(line.server.camera().irReturn);
}

TEST(State, SetCameraIsSeenByTheInquiries) {
    Line line;
    Camsim::CameraState s = line.server.camera();
    s.pan = -100;
    s.tilt = 20;
    s.gain = 9;
    line.server.setCamera(1, s);
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 06 12 FF"), 11)),
              "90 50 0F 0F 09 0C 00 00 01 04 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 04 4C FF"), 7)), "90 50 00 00 00 09 FF");
    EXPECT_THROW(line.server.camera(2), std::out_of_range);
}

struct Stepped {
    std::uint8_t step;     // GG of up/down/reset
    std::uint8_t inquiry;  // 09 04 HH
    Camsim::StepRange range;
};

void PrintTo(const Stepped& s, std::ostream* os) { *os << "GG " << int(s.step); }

class SteppedSetting : public ::testing::TestWithParam<Stepped> {};

TEST_P(SteppedSetting, StepsOneAtATimeAndStopsAtItsLimits) {
    Line line;
    const Stepped& p = GetParam();
    const auto step = [&](std::uint8_t dir, int times) {
        Bytes all;
        for (int i = 0; i < times; ++i) {
            all.insert(all.end(), {0x81, 0x01, 0x04, p.step, dir, 0xFF});
        }
        line.port.send(all);
        const Bytes replies = line.port.read(all.size());
        ASSERT_EQ(replies.size(), all.size());
    };
    const auto value = [&] {
        line.port.send(Bytes{0x81, 0x09, 0x04, p.inquiry, 0xFF});
        const Bytes r = line.port.read(7);
        if (r.size() != 7) return -1;
        return (r[2] << 12) | (r[3] << 8) | (r[4] << 4) | r[5];
    };

    step(0x02, 1);
    EXPECT_EQ(value(), p.range.reset + 1);
    step(0x00, 1);
    EXPECT_EQ(value(), p.range.reset);
    step(0x02, p.range.max - p.range.reset + 3);
    EXPECT_EQ(value(), p.range.max);
    step(0x03, 1);
    EXPECT_EQ(value(), p.range.max - 1);
    step(0x03, p.range.max - p.range.min + 3);
    EXPECT_EQ(value(), p.range.min);
}

// The ranges written out, not taken from the camera's own constants, so that a changed constant
// shows here.
INSTANTIATE_TEST_SUITE_P(Groups, SteppedSetting,
                         ::testing::Values(Stepped{0x02, 0x42, {0x00, 0x0F, 0x05}},  // aperture
                                           Stepped{0x03, 0x43, {0x00, 0xFF, 0x80}},  // red gain
                                           Stepped{0x04, 0x44, {0x00, 0xFF, 0x80}},  // blue gain
                                           Stepped{0x0A, 0x4A, {0x00, 0x15, 0x0B}},  // shutter
                                           Stepped{0x0B, 0x4B, {0x00, 0x11, 0x0C}},  // iris
                                           Stepped{0x0C, 0x4C, {0x00, 0x0F, 0x01}},  // gain
                                           Stepped{0x0D, 0x4D, {0x00, 0x1F, 0x10}},  // bright
                                           Stepped{0x0E, 0x4E, {0x00, 0x0E, 0x07}}   // exp. comp.
                                           ));

TEST(Standby, PoweredOffCameraRefusesAllButPowerOnAndThePowerInquiry) {
    Line line;
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 04 00 03 FF"), 6)), DONE);
    EXPECT_FALSE(line.server.camera().power);
    const Exchange cases[] = {
        {"81 09 04 00 FF", "90 50 03 FF"},
        {"81 01 04 00 03 FF", "90 61 41 FF"},
        {"81 01 04 07 02 FF", "90 61 41 FF"},
        {"81 01 06 01 18 14 03 01 FF", "90 61 41 FF"},
        {"81 01 04 3F 02 01 FF", "90 61 41 FF"},
        {"81 01 7D 01 03 00 00 FF", "90 61 41 FF"},
        {"81 09 06 12 FF", "90 61 41 FF"},
        {"81 09 00 02 FF", "90 61 41 FF"},
        {"81 09 04 47 FF", "90 61 41 FF"},
        {"81 01 04 99 02 FF", SYNTAX_ERROR},  // malformed frames are still told apart
        {"88 30 01 FF", "88 30 02 FF"},       // the interface itself is alive
        {"81 01 04 00 02 FF", DONE},
        {"81 09 04 00 FF", "90 50 02 FF"},
        {"81 09 04 47 FF", "90 50 00 00 00 00 FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const Bytes expected = hex(c.reply);
        EXPECT_EQ(toHex(line.port.exchange(hex(c.request), expected.size())), toHex(expected));
    }
}

TEST(Standby, PowerOffStopsMotion) {
    Line line;
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 06 01 18 14 02 03 FF"), 6)), DONE);
    ASSERT_EQ(toHex(line.port.exchange(hex("81 01 04 00 03 FF"), 6)), DONE);
    const int pan = line.server.camera().pan;
    EXPECT_FALSE(line.server.camera().panTiltMoving);
    line.port.drain(milliseconds(100));
    EXPECT_EQ(line.server.camera().pan, pan);
}

}  // namespace
