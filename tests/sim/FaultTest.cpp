// Fault injection and robustness of the virtual camera, seen on the line.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <random>
#include <thread>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "tests/support/Eventually.h"
#include "tests/support/Skip.h"

namespace {

using Camsim::Fault;
using SimTest::Bytes;
using SimTest::Clock;
using SimTest::hex;
using SimTest::Line;
using SimTest::milliseconds;
using SimTest::Port;
using SimTest::toHex;

struct FaultCase {
    Fault fault;
    const char* request;
    const char* reply;  // "" for none at all
    bool carriedOut;    // whether the camera acted on the request (backlight switched on)
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << Camsim::faultName(c.fault) << ": " << c.request;
}

class FaultReply : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultReply, ReplyAndEffectFollowTheFault) {
    const FaultCase& c = GetParam();
    Line line;
    line.server.setFault(c.fault);
    ASSERT_EQ(line.server.fault(), c.fault);
    const Bytes expected = hex(c.reply);
    line.port.send(c.request);
    Bytes got = line.port.read(expected.size());
    // A reply that should not come at all arrives ahead of the marker's answer.
    const Bytes rest = line.throughMarker(1);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(toHex(got), toHex(SimTest::concat({expected, hex(SimTest::MARKER_REPLY)})));
    EXPECT_EQ(line.server.camera().backlight, c.carriedOut);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultReply,
    ::testing::Values(
        FaultCase{Fault::None, "81 01 04 33 02 FF", "90 41 FF 90 51 FF", true},
        FaultCase{Fault::Silent, "81 01 04 33 02 FF", "", false},
        FaultCase{Fault::Silent, "81 09 04 00 FF", "", false},
        FaultCase{Fault::Silent, "88 30 01 FF", "", false},
        FaultCase{Fault::BufferFull, "81 01 04 33 02 FF", "90 60 03 FF", false},
        FaultCase{Fault::BufferFull, "81 09 04 00 FF", "90 60 03 FF", false},
        FaultCase{Fault::BufferFull, "88 30 01 FF", "88 30 02 FF", false},
        FaultCase{Fault::NotExecutable, "81 01 04 33 02 FF", "90 61 41 FF", false},
        FaultCase{Fault::NotExecutable, "81 09 04 00 FF", "90 61 41 FF", false},
        FaultCase{Fault::NotExecutable, "88 01 00 01 FF", "88 01 00 01 FF", false},
        FaultCase{Fault::AckOnly, "81 01 04 33 02 FF", "90 41 FF", true},
        FaultCase{Fault::AckOnly, "81 09 04 00 FF", "90 50 02 FF", false},
        FaultCase{Fault::AckOnly, "88 30 01 FF", "88 30 02 FF", false},
        FaultCase{Fault::Split, "81 01 04 33 02 FF", "90 41 FF 90 51 FF", true},
        FaultCase{Fault::Split, "81 09 04 4E FF", "90 50 00 00 00 07 FF", false},
        // Only moves complete late.
        FaultCase{Fault::LateCompletion, "81 01 04 33 02 FF", "90 41 FF 90 51 FF", true},
        FaultCase{Fault::LateCompletion, "81 09 04 00 FF", "90 50 02 FF", false},
        // Only the auto-power-off inquiry is missing.
        FaultCase{Fault::NoAutoPowerOff, "81 09 04 40 FF", "90 60 02 FF", false},
        FaultCase{Fault::NoAutoPowerOff, "81 09 04 00 FF", "90 50 02 FF", false},
        FaultCase{Fault::NoAutoPowerOff, "81 01 04 33 02 FF", "90 41 FF 90 51 FF", true},
        // The command fails after its acknowledgement, in the acknowledgement's socket.
        FaultCase{Fault::ErrorAfterAck, "81 01 04 33 02 FF", "90 41 FF 90 61 41 FF", false},
        FaultCase{Fault::ErrorAfterAck, "81 01 04 33 05 FF", "90 60 02 FF", false},
        FaultCase{Fault::ErrorAfterAck, "81 01 00 01 FF", "90 50 FF", false},
        FaultCase{Fault::ErrorAfterAck, "81 09 04 00 FF", "90 50 02 FF", false},
        FaultCase{Fault::HeldCompletion, "81 09 04 4E FF", "90 50 00 00 00 07 FF", false},
        // Wrong answers to inquiries; commands and broadcasts are answered as usual.
        FaultCase{Fault::EmptyAnswer, "81 09 04 4E FF", "90 50 FF", false},
        FaultCase{Fault::EmptyAnswer, "81 09 04 00 FF", "90 50 FF", false},
        FaultCase{Fault::EmptyAnswer, "81 01 04 33 02 FF", "90 41 FF 90 51 FF", true},
        FaultCase{Fault::EmptyAnswer, "88 30 01 FF", "88 30 02 FF", false},
        FaultCase{Fault::ShortAnswer, "81 09 04 4E FF", "90 50 02 FF", false},
        FaultCase{Fault::ShortAnswer, "81 09 06 12 FF", "90 50 02 FF", false},
        FaultCase{Fault::ShortAnswer, "81 09 00 02 FF", "90 50 02 FF", false},
        FaultCase{Fault::ShortAnswer, "81 09 04 33 FF", "90 50 03 FF", false},
        FaultCase{Fault::UnterminatedAnswer, "81 09 04 4E FF",
                  "90 50 00 00 00 07 00 00 00 00 00 00 00 00 00 00", false},
        FaultCase{Fault::UnterminatedAnswer, "81 09 04 33 FF",
                  "90 50 03 00 00 00 00 00 00 00 00 00 00 00 00 00", false},
        FaultCase{Fault::BadNibbleAnswer, "81 09 04 4E FF", "90 50 10 00 00 07 FF", false},
        FaultCase{Fault::BadNibbleAnswer, "81 09 06 12 FF", "90 50 10 00 00 00 00 00 00 00 FF",
                  false},
        FaultCase{Fault::BadNibbleAnswer, "81 09 00 02 FF", "90 50 00 51 00 01 01 00 02 FF", false},
        FaultCase{Fault::BadNibbleAnswer, "81 09 04 33 FF", "90 50 03 FF", false}));

TEST(Faults, FaultFromTheOptionsAppliesFromTheFirstFrame) {
    Line line(1, Fault::BufferFull);
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 04 00 FF"), 4)), "90 60 03 FF");
}

TEST(Faults, ClearingTheFaultRestoresNormalAnswers) {
    Line line(1, Fault::Silent);
    line.port.send("81 09 04 00 FF");
    // The silent camera leaves the inquiry unanswered, and answers the marker sent after the
    // fault was lifted.
    EXPECT_EQ(toHex(line.throughMarker(1)), SimTest::MARKER_REPLY);
}

TEST(Faults, GarbageIsNeverAWellFormedReply) {
    Line line(1, Fault::Garbage);
    for (const char* request : {"81 01 04 33 02 FF", "81 09 04 00 FF", "88 30 01 FF",
                                "81 09 06 12 FF", "82 09 04 00 FF"}) {
        for (int i = 0; i < 20; ++i) {
            line.port.send(request);
            const Bytes r = line.port.readFrame();
            SCOPED_TRACE(toHex(r));
            ASSERT_GE(r.size(), 2u);
            EXPECT_LE(r.size(), 10u);
            EXPECT_LT(r.front(), 0x80);  // no reply header
            EXPECT_EQ(r.back(), 0xFF);
        }
    }
    EXPECT_FALSE(line.server.camera().backlight);
}

// The two halves of a split reply to `request` as the reader received them. A reader held up
// finds the second half waiting and sees the halves closer together than they were sent; it never
// sees the second sooner after the request than the pause.
struct Halves {
    Bytes first;
    Bytes second;
    Clock::duration apart;         // between the reads that took them
    Clock::duration afterRequest;  // from the request to the second half
};

Halves halvesOf(Line& line, const char* request, std::size_t firstSize, std::size_t secondSize) {
    Halves h;
    const auto sent = Clock::now();
    line.port.send(request);
    h.first = line.port.read(firstSize);
    const auto firstAt = Clock::now();
    h.second = line.port.read(secondSize);
    const auto secondAt = Clock::now();
    h.apart = secondAt - firstAt;
    h.afterRequest = secondAt - sent;
    return h;
}

// Whether a reader saw the halves at least `pause` apart in one of three tries (a busy machine
// spoils one try, not three running; a reply sent whole spoils them all), checking every try's
// bytes and its time from the request on the way.
void expectSplit(Line& line, const char* request, const char* first, const char* second,
                 milliseconds pause, milliseconds slack) {
    const Bytes firstBytes = hex(first);
    const Bytes secondBytes = hex(second);
    Clock::duration widest{};
    for (int attempt = 0; attempt < 3 && widest < pause - slack; ++attempt) {
        const Halves h = halvesOf(line, request, firstBytes.size(), secondBytes.size());
        EXPECT_EQ(toHex(h.first), first);
        EXPECT_EQ(toHex(h.second), second);
        EXPECT_GE(h.afterRequest, pause - slack);
        widest = std::max(widest, h.apart);
    }
    EXPECT_GE(widest, pause - slack);
}

TEST(Faults, SplitInquiryReplyPausesInTheMiddle) {
    Line line(1, Fault::Split);
    expectSplit(line, "81 09 06 12 FF", "90 50 00 00 00", "00 00 00 00 00 FF", milliseconds(40),
                milliseconds(10));
}

TEST(Faults, SplitCommandPausesBetweenAckAndCompletion) {
    Line line(1, Fault::Split);
    expectSplit(line, "81 01 04 33 02 FF", "90 41 FF", "90 51 FF", milliseconds(40),
                milliseconds(10));
}

TEST(Faults, SplitReplyIsNotOvertakenByTheNextOne) {
    Line line(1, Fault::Split);
    line.port.send("81 09 04 4E FF");
    ASSERT_EQ(line.port.read(3).size(), 3u);
    line.port.send("81 09 04 00 FF");  // asked while the first reply is still in two pieces
    EXPECT_EQ(toHex(line.port.read(8)), "00 00 07 FF 90 50 02 FF");
}

TEST(Faults, SplitPauseCanBeChosen) {
    Line line(1, Fault::Split);
    Camsim::Timing t = line.server.timing();
    t.splitPause = milliseconds(200);
    line.server.setTiming(t);
    expectSplit(line, "81 09 04 00 FF", "90 50", "02 FF", milliseconds(200), milliseconds(10));
}

TEST(Faults, LateCompletionHoldsMovesBackWhileLaterFramesAreAnsweredAtOnce) {
    Camsim::ServerOptions o;
    o.fault = Fault::LateCompletion;
    o.timing.lateCompletion = milliseconds(300);
    o.timing.instant = true;  // the moves themselves arrive at once
    Line line(o);
    // Home, preset recall, absolute position and direct zoom, each followed by an inquiry and a
    // setting that are answered in full before the move's completion.
    for (const char* move :
         {"81 01 06 04 FF", "81 01 04 3F 02 03 FF", "81 01 06 02 18 14 00 05 0A 00 00 00 00 00 FF",
          "81 01 04 47 02 00 00 00 FF"}) {
        SCOPED_TRACE(move);
        line.port.send(SimTest::concat({hex(move), hex("81 09 04 33 FF 81 01 04 33 02 FF")}));
        const auto sent = Clock::now();
        EXPECT_EQ(toHex(line.port.read(13)), "90 41 FF 90 50 03 FF 90 41 FF 90 51 FF");
        EXPECT_EQ(toHex(line.port.read(3)), "90 51 FF");
        EXPECT_GE(Clock::now() - sent, milliseconds(290));
        line.port.send("81 01 04 33 03 FF");  // back to off for the next round
        ASSERT_EQ(toHex(line.port.read(6)), "90 41 FF 90 51 FF");
    }
    EXPECT_EQ(line.server.camera().zoom, 0x2000);
}

TEST(Faults, HeldCompletionWaitsForTheNextFrameAndGoesAheadOfItsReply) {
    Line line(1, Fault::HeldCompletion);
    line.port.send("81 01 04 33 02 FF");
    ASSERT_EQ(toHex(line.port.read(3)), "90 41 FF");
    // The completion was due at once; it would be waiting for the client by now.
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(line.server.unreadReplyBytes(), 0u);
    EXPECT_TRUE(line.server.camera().backlight);
    line.port.send("81 09 04 33 FF");
    EXPECT_EQ(toHex(line.port.read(7)), "90 51 FF 90 50 02 FF");
    // Each command's completion waits for the frame after it, whatever that frame is.
    line.port.send("81 01 04 33 03 FF");
    ASSERT_EQ(toHex(line.port.read(3)), "90 41 FF");
    line.port.send("88 30 01 FF");
    EXPECT_EQ(toHex(line.port.read(7)), "90 51 FF 88 30 02 FF");
}

TEST(Faults, HangupFaultClosesTheLineOnTheNextFrame) {
    Line line(1, Fault::Hangup);
    EXPECT_TRUE(line.server.lineOpen());
    line.port.send("81 09 04 00 FF");
    EXPECT_TRUE(line.port.hungUp(milliseconds(2000)));
    EXPECT_FALSE(line.server.lineOpen());
}

TEST(Faults, HangUpClosesTheLineAtOnce) {
    Line line;
    ASSERT_EQ(toHex(line.port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
    line.server.hangUp();
    EXPECT_FALSE(line.server.lineOpen());
    EXPECT_TRUE(line.port.hungUp(milliseconds(2000)));
    line.server.hangUp();  // a second time changes nothing
    EXPECT_FALSE(line.server.lineOpen());
}

TEST(Line, ClientMayCloseAndReopenThePort) {
    Camsim::PtyServer server;
    for (int i = 0; i < 3; ++i) {
        Port port(server.devicePath());
        EXPECT_EQ(toHex(port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF") << i;
    }
    EXPECT_TRUE(server.lineOpen());
    EXPECT_EQ(server.framesReceived(), 3u);
}

std::size_t openDescriptors() {
    std::size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr) ++n;
        ::closedir(d);
    }
    return n;
}

TEST(Line, EveryDescriptorIsClosedWhenTheServerGoes) {
    const std::size_t before = openDescriptors();
    for (const bool hangUp : {false, true}) {
        Camsim::PtyServer server;
        {
            Port port(server.devicePath());
            EXPECT_EQ(toHex(port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
        }
        EXPECT_GT(openDescriptors(), before);
        if (hangUp) server.hangUp();
    }
    EXPECT_EQ(openDescriptors(), before);
}

#if defined(__linux__)
// What a real port does when its last user closes it: the following tests need the server to
// notice the close, which only Linux reports.

TEST(Line, ExclusiveModeEndsWithTheLastClient) {
    Camsim::PtyServer server;
    {
        Port first(server.devicePath());
        ASSERT_EQ(::ioctl(first.fd(), TIOCEXCL), 0);
    }
    // Root may open an exclusive terminal, so the flag itself is what is checked.
    Port second(server.devicePath());
    // The reply also shows that the server has handled the close that came before.
    EXPECT_EQ(toHex(second.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
    int exclusive = -1;
    ASSERT_EQ(::ioctl(second.fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST(Line, UnreadReplyBytesAreThoseWaitingForTheClient) {
    Line line;
    EXPECT_EQ(line.server.unreadReplyBytes(), 0u);
    line.port.send("81 09 04 00 FF 81 09 06 12 FF");
    EXPECT_TRUE(TestSupport::eventually([&] { return line.server.unreadReplyBytes() == 15; }));
    EXPECT_EQ(line.port.read(4).size(), 4u);
    EXPECT_EQ(line.server.unreadReplyBytes(), 11u);
    EXPECT_EQ(line.port.read(11).size(), 11u);
    EXPECT_EQ(line.server.unreadReplyBytes(), 0u);
    line.server.hangUp();
    EXPECT_EQ(line.server.unreadReplyBytes(), 0u);
}

TEST(Line, RepliesLeftUnreadDoNotReachTheNextClient) {
    Camsim::PtyServer server;
    {
        Port first(server.devicePath());
        first.send("81 09 04 00 FF");
        std::this_thread::sleep_for(milliseconds(100));  // the reply waits, unread
    }
    std::this_thread::sleep_for(milliseconds(100));
    Port second(server.devicePath());
    // A reply kept for the first client would reach the second ahead of the marker's answer.
    second.send(SimTest::MARKER);
    EXPECT_EQ(toHex(second.readThrough(hex(SimTest::MARKER_REPLY))), SimTest::MARKER_REPLY);
}

TEST(Line, RepliesDueWhileNobodyListensAreLost) {
    Camsim::ServerOptions o;
    o.timing.completionDelay = milliseconds(100);
    Camsim::PtyServer server(o);
    {
        Port first(server.devicePath());
        first.send("81 01 04 33 02 FF");
        ASSERT_EQ(toHex(first.read(3)), "90 41 FF");
    }
    std::this_thread::sleep_for(milliseconds(300));  // the completion falls due meanwhile
    Port second(server.devicePath());
    second.send(SimTest::MARKER);
    EXPECT_EQ(toHex(second.readThrough(hex(SimTest::MARKER_REPLY))), SimTest::MARKER_REPLY);
    EXPECT_TRUE(server.camera().backlight);
}
#else
TEST(Line, ClientCloseTests) {
    QUORVIN_SKIP(
        "the tests of what a client's close does need a system that reports the close "
        "to the server, which only Linux does");
}
#endif

TEST(Line, CameraCountOutsideTheChainIsRefused) {
    for (int n : {0, 8, -1}) {
        Camsim::ServerOptions o;
        o.cameras = n;
        EXPECT_THROW(Camsim::PtyServer server(o), std::invalid_argument) << n;
    }
}

// Frames from the tables above, to be mutated so that the parser meets near misses too.
const char* const TEMPLATES[] = {
    "81 01 06 02 18 14 00 05 0A 00 0F 0E 09 08 FF",
    "81 01 06 01 18 14 03 01 FF",
    "81 01 04 3F 02 03 FF",
    "81 01 7D 01 03 00 00 FF",
    "81 01 04 4A 00 00 01 03 FF",
    "81 01 04 47 02 00 00 00 FF",
    "81 01 04 07 25 FF",
    "81 09 06 12 FF",
    "82 09 04 47 FF",
    "88 30 01 FF",
    "88 01 00 01 FF",
    "81 01 00 01 FF",
};

TEST(Robustness, ThousandsOfRandomFramesLeaveTheCameraAnswering) {
    Line line(2);
    std::mt19937 random(7031);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(1, 24);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(TEMPLATES) - 1);

    constexpr int BATCHES = 200;
    constexpr int FRAMES_PER_BATCH = 60;
    std::size_t answered = 0;
    for (int batch = 0; batch < BATCHES; ++batch) {
        Bytes all;
        for (int i = 0; i < FRAMES_PER_BATCH; ++i) {
            Bytes frame;
            if (percent(random) < 50) {
                frame = hex(TEMPLATES[pick(random)]);
                const int changes = 1 + percent(random) % 3;
                for (int k = 0; k < changes; ++k) {
                    const auto at = static_cast<std::size_t>(percent(random)) % frame.size();
                    frame[at] = static_cast<std::uint8_t>(byte(random));
                }
            } else {
                const int n = length(random);
                for (int k = 0; k < n; ++k)
                    frame.push_back(static_cast<std::uint8_t>(byte(random)));
                if (percent(random) < 90) frame.push_back(0xFF);
            }
            all.insert(all.end(), frame.begin(), frame.end());
        }
        line.port.send(all);
        answered += line.port.read(1 << 20, milliseconds(1)).size();
    }
    answered += line.port.drain().size();
    EXPECT_GT(answered, 0u);
    EXPECT_GT(line.server.framesReceived(), std::uint64_t{BATCHES * FRAMES_PER_BATCH / 2});
    ASSERT_TRUE(line.server.lineOpen());

    // Back to a known state: end any partial frame, renumber, cancel pending work, power on.
    line.port.send("FF 88 30 01 FF 88 01 00 01 FF 81 01 04 00 02 FF 82 01 04 00 02 FF");
    line.port.drain(milliseconds(300));
    EXPECT_EQ(toHex(line.port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
    EXPECT_EQ(toHex(line.port.exchange(hex("82 09 00 02 FF"), 10)),
              "A0 50 00 51 00 01 01 00 02 FF");
}

}  // namespace
