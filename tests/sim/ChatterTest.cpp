// What the camera says unasked, and how it says it: the network-change message, infrared remote
// reports, stray bytes after an exchange (a burst, or without end), and replies paced byte by
// byte; on the line, over TCP and over UDP.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "NetworkSupport.h"
#include "SimTestSupport.h"
#include "sim/CameraChain.h"
#include "sim/PtyServer.h"

namespace {

using Camsim::Chatter;
using SimTest::Bytes;
using SimTest::Clock;
using SimTest::connectTo;
using SimTest::hex;
using SimTest::Line;
using SimTest::milliseconds;
using SimTest::receiveBytes;
using SimTest::receiveFor;
using SimTest::replyDatagram;
using SimTest::requestDatagram;
using SimTest::sendBytes;
using SimTest::toHex;
using SimTest::UniqueFd;

using Strings = std::vector<std::string>;

Camsim::ServerOptions chattering(const Chatter& chatter, int cameras = 1) {
    Camsim::ServerOptions options;
    options.cameras = cameras;
    options.chatter = chatter;
    options.timing.instant = true;
    options.network.tcpPort = 0;
    options.network.udpPort = 0;
    return options;
}

struct AroundReplyCase {
    const char* name;
    Chatter chatter;
    int cameras;
    const char* request;
    const char* line;  // everything on the line, up to the reply's last byte
};

class AroundEveryReply : public ::testing::TestWithParam<AroundReplyCase> {};

TEST_P(AroundEveryReply, ComesWhereItSays) {
    Line line(chattering(GetParam().chatter, GetParam().cameras));
    const Bytes expected = hex(GetParam().line);
    EXPECT_EQ(toHex(line.port.exchange(hex(GetParam().request), expected.size())), GetParam().line);
}

Chatter networkChange(bool broadcast = false) {
    Chatter c;
    c.networkChangeBeforeReply = 100;
    c.networkChangeBroadcast = broadcast;
    return c;
}

Chatter networkChangeAfter() {
    Chatter c;
    c.networkChangeAfterExchange = 100;
    return c;
}

Chatter infrared() {
    Chatter c;
    c.infraredBeforeReply = 100;
    return c;
}

Chatter both() {
    Chatter c = infrared();
    c.networkChangeBeforeReply = 100;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Chatter, AroundEveryReply,
    ::testing::Values(AroundReplyCase{"NetworkChangeBeforeAnAnswer", networkChange(), 1,
                                      "81 09 04 00 FF", "90 38 FF 90 50 02 FF"},
                      AroundReplyCase{"NetworkChangeBeforeAckAndCompletion", networkChange(), 1,
                                      "81 01 04 33 02 FF", "90 38 FF 90 41 FF 90 38 FF 90 51 FF"},
                      AroundReplyCase{"NetworkChangeBeforeAnError", networkChange(), 1,
                                      "81 01 04 99 FF", "90 38 FF 90 60 02 FF"},
                      AroundReplyCase{"NetworkChangeFromTheRepliesCamera", networkChange(), 2,
                                      "82 09 04 00 FF", "A0 38 FF A0 50 02 FF"},
                      AroundReplyCase{"NetworkChangeBroadcast", networkChange(true), 2,
                                      "82 09 04 00 FF", "88 38 FF A0 50 02 FF"},
                      // A broadcast travels round the chain and is no camera's reply.
                      AroundReplyCase{"NothingBeforeABroadcast", networkChange(), 1, "88 30 01 FF",
                                      "88 30 02 FF"},
                      // After an exchange: after its last reply, between it and the next exchange.
                      AroundReplyCase{"NetworkChangeAfterAnAnswer", networkChangeAfter(), 1,
                                      "81 09 04 00 FF", "90 50 02 FF 90 38 FF"},
                      AroundReplyCase{"NetworkChangeAfterACompletion", networkChangeAfter(), 1,
                                      "81 01 04 33 02 FF", "90 41 FF 90 51 FF 90 38 FF"},
                      // The keys of the remote come in turn: zoom, then power.
                      AroundReplyCase{
                          "InfraredBeforeAckAndCompletion", infrared(), 1, "81 01 04 33 02 FF",
                          "90 07 7D 01 04 07 FF 90 41 FF 90 07 7D 01 04 00 FF 90 51 FF"},
                      AroundReplyCase{"InfraredFromTheRepliesCamera", infrared(), 3,
                                      "83 09 04 00 FF", "B0 07 7D 01 04 07 FF B0 50 02 FF"},
                      AroundReplyCase{"NetworkChangeThenInfrared", both(), 1, "81 09 04 00 FF",
                                      "90 38 FF 90 07 7D 01 04 07 FF 90 50 02 FF"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Chatter, InfraredKeysComeInTurnAndStartAgain) {
    Line line(chattering(infrared()));
    std::string keys;
    for (int i = 0; i < 7; ++i) {
        const Bytes got = line.port.exchange(hex("81 09 04 00 FF"), 11);
        ASSERT_EQ(got.size(), 11u) << toHex(got);
        keys += toHex(Bytes(got.begin() + 4, got.begin() + 6)) + ",";
    }
    EXPECT_EQ(keys, "04 07,04 00,06 01,04 38,04 33,04 3F,04 07,");
}

// Which of `count` power inquiries the chain answered with a network change first, as a row of
// 0 and 1; the chain runs on made-up times, so only the seed decides.
std::string drawn(std::uint32_t seed, int percent, int count) {
    Camsim::CameraChain chain(1);
    Chatter c;
    c.networkChangeBeforeReply = percent;
    c.seed = seed;
    chain.setChatter(c);
    std::string row;
    const Bytes inquiry = hex("81 09 04 00 FF");
    for (int i = 0; i < count; ++i) {
        const Camsim::TimePoint now{milliseconds(i)};
        chain.receive(inquiry.data(), inquiry.size(), now);
        row += chain.takeDue(now).size() == 2 ? '1' : '0';
    }
    return row;
}

TEST(Chatter, TheSeedAloneDecidesWhichRepliesGetIt) {
    const std::string first = drawn(7, 30, 200);
    EXPECT_EQ(drawn(7, 30, 200), first);
    EXPECT_NE(drawn(8, 30, 200), first);
    // About three in ten; far from none and from all.
    const auto hits = std::count(first.begin(), first.end(), '1');
    EXPECT_GT(hits, 20);
    EXPECT_LT(hits, 120);
    EXPECT_EQ(drawn(7, 0, 50), std::string(50, '0'));
    EXPECT_EQ(drawn(7, 100, 50), std::string(50, '1'));
}

TEST(Chatter, TheSameSeedGivesTheSameLineTwice) {
    Chatter c;
    c.networkChangeBeforeReply = 50;
    c.infraredBeforeReply = 50;
    c.seed = 12345;
    std::string runs[2];
    for (std::string& run : runs) {
        Line line(chattering(c));
        for (int i = 0; i < 20; ++i) {
            line.port.send("81 09 04 4E FF");
            run += toHex(line.port.readThrough(hex("90 50 00 00 00 07 FF"))) + "\n";
        }
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0].find("90 38 FF"), std::string::npos);
    EXPECT_NE(runs[0].find("90 07 7D"), std::string::npos);
}

TEST(Chatter, BeforeEachReplyOverTheNetworkToo) {
    Camsim::PtyServer server(chattering(both()));
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    sendBytes(tcp, "81 09 04 00 FF");
    EXPECT_EQ(receiveFor(tcp, 100), Strings{"90 38 FF 90 07 7D 01 04 07 FF 90 50 02 FF"});
    // Each in a datagram of its own, with the request's number.
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, requestDatagram(3, "81 09 04 00 FF"));
    EXPECT_EQ(receiveFor(udp, 100),
              (Strings{replyDatagram(3, "90 38 FF"), replyDatagram(3, "90 07 7D 01 04 00 FF"),
                       replyDatagram(3, "90 50 02 FF")}));
}

TEST(NetworkChange, GreetsEachTcpConnectionAndEachUdpSequenceReset) {
    for (const bool byModel : {false, true}) {
        SCOPED_TRACE(byModel ? "network model" : "option");
        Chatter c;
        c.networkChangeOnConnect = !byModel;
        Camsim::ServerOptions options = chattering(c);
        if (byModel) options.model = Camsim::builtInModel("network").value();
        Camsim::PtyServer server(options);
        for (int connection = 0; connection < 2; ++connection) {
            const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
            EXPECT_EQ(receiveFor(tcp, 100), Strings{"90 38 FF"});
            sendBytes(tcp, "81 09 04 00 FF");
            EXPECT_EQ(receiveFor(tcp, 100), Strings{"90 50 02 FF"});
        }
        const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
        sendBytes(udp, "02 00 00 01 00 00 00 09 01");
        EXPECT_EQ(receiveFor(udp, 100),
                  (Strings{"02 01 00 01 00 00 00 09 01", replyDatagram(9, "90 38 FF")}));
        sendBytes(udp, requestDatagram(10, "81 09 04 00 FF"));
        EXPECT_EQ(receiveFor(udp, 100), Strings{replyDatagram(10, "90 50 02 FF")});
        // The serial line is no network: a client opening it is not greeted.
        SimTest::Port port(server.devicePath());
        EXPECT_EQ(toHex(port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
    }
}

TEST(NetworkChange, ComesOnItsOwnEveryPeriodEverywhere) {
    Chatter c;
    c.networkChangeEvery = milliseconds(30);
    Camsim::PtyServer server(chattering(c));
    SimTest::Port port(server.devicePath());
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, "02 00 00 01 00 00 00 04 01");
    EXPECT_EQ(toHex(port.read(9)), "90 38 FF 90 38 FF 90 38 FF");
    EXPECT_EQ(toHex(receiveBytes(tcp, 9)), "90 38 FF 90 38 FF 90 38 FF");
    // After the reset's reply, the message with the number of the peer's last datagram.
    Strings datagrams;
    for (int i = 0; i < 30 && datagrams.size() < 3; ++i) {
        const Strings more = receiveFor(udp, 100);
        datagrams.insert(datagrams.end(), more.begin(), more.end());
    }
    ASSERT_GE(datagrams.size(), 3u);
    EXPECT_EQ(datagrams[0], "02 01 00 01 00 00 00 04 01");
    for (std::size_t i = 1; i < datagrams.size(); ++i) {
        EXPECT_EQ(datagrams[i], replyDatagram(4, "90 38 FF"));
    }
}

// The bytes that follow a reply: how many before the next FF, and whether they hold none.
struct Burst {
    std::size_t length;
    bool clean;
};

Burst burstOf(const Bytes& bytes, std::size_t from, std::size_t count) {
    const auto end =
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), from + count));
    return {static_cast<std::size_t>(end - (bytes.begin() + from)),
            std::find(bytes.begin() + from, end, 0xFF) == end};
}

TEST(StrayBytes, FollowTheLastReplyOfEachExchangeAndEndInAStaleAnswer) {
    Chatter c;
    c.strayBytes = 5000;
    c.strayStale = true;
    Line line(chattering(c));
    // An inquiry: its answer, 5000 bytes without FF, the stale answer.
    line.port.send("81 09 04 4E FF");
    Bytes got = line.port.read(4 + 3 + 5000 + 4);
    ASSERT_EQ(got.size(), 5011u);
    EXPECT_EQ(toHex(Bytes(got.begin(), got.begin() + 7)), "90 50 00 00 00 07 FF");
    const Burst burst = burstOf(got, 7, 5000);
    EXPECT_EQ(burst.length, 5000u);
    EXPECT_TRUE(burst.clean);
    EXPECT_EQ(toHex(Bytes(got.end() - 4, got.end())), "90 50 0F FF");
    // A command: the burst comes after the completion, not between it and the ACK.
    line.port.send("81 01 04 33 02 FF");
    got = line.port.read(6 + 5000 + 4);
    ASSERT_EQ(got.size(), 5010u);
    EXPECT_EQ(toHex(Bytes(got.begin(), got.begin() + 6)), "90 41 FF 90 51 FF");
    EXPECT_TRUE(burstOf(got, 6, 5000).clean);
    EXPECT_EQ(toHex(Bytes(got.end() - 4, got.end())), "90 50 0F FF");
    // Nothing more: the marker is answered next, and after it comes its own burst.
    line.port.send(SimTest::MARKER);
    EXPECT_EQ(toHex(line.port.read(4)), SimTest::MARKER_REPLY);
}

TEST(StrayBytes, ReachTcpWholeAndUdpAsTheStaleAnswerAlone) {
    Chatter c;
    c.strayBytes = 70000;
    c.strayStale = true;
    Camsim::PtyServer server(chattering(c));
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    sendBytes(tcp, "81 09 04 00 FF");
    const Bytes got = receiveBytes(tcp, 4 + 70000 + 4);
    ASSERT_EQ(got.size(), 70008u);
    EXPECT_EQ(toHex(Bytes(got.begin(), got.begin() + 4)), "90 50 02 FF");
    EXPECT_TRUE(burstOf(got, 4, 70000).clean);
    EXPECT_EQ(toHex(Bytes(got.end() - 4, got.end())), "90 50 0F FF");
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, requestDatagram(6, "81 09 04 00 FF"));
    EXPECT_EQ(receiveFor(udp, 100),
              (Strings{replyDatagram(6, "90 50 02 FF"), replyDatagram(6, "90 50 0F FF")}));
}

// Reads `count` bytes of a stream that never ends; the request sent then is answered within it:
// its reply ends at the first FF, since stray bytes are never FF.
template <typename Read, typename Send>
void expectEndlessWithTheReplyInside(Read read, Send send) {
    const Bytes first = read(200000);
    ASSERT_EQ(first.size(), 200000u);
    const auto firstEnd = std::find(first.begin(), first.end(), 0xFF);
    // The first exchange's reply, then nothing but stray bytes.
    EXPECT_EQ(toHex(Bytes(first.begin(), firstEnd + 1)), "90 50 02 FF");
    EXPECT_EQ(std::find(firstEnd + 1, first.end(), 0xFF), first.end());
    send();
    // The reply comes after what is already on its way: for TCP, up to the sockets' buffers.
    Bytes after;
    for (int i = 0; i < 256 && std::find(after.begin(), after.end(), 0xFF) == after.end(); ++i) {
        const Bytes more = read(65536);
        ASSERT_FALSE(more.empty());
        after.insert(after.end(), more.begin(), more.end());
    }
    const auto end = std::find(after.begin(), after.end(), 0xFF);
    ASSERT_NE(end, after.end()) << "no reply within the stream";
    ASSERT_GE(end - after.begin(), 6);
    EXPECT_EQ(toHex(Bytes(end - 6, end + 1)), "90 50 00 00 00 07 FF");
    EXPECT_EQ(read(1000).size(), 1000u);  // and it goes on
}

TEST(StrayBytes, ForeverKeepsTheLineTalkingAfterTheFirstExchange) {
    Chatter c;
    c.strayForever = true;
    Line line(chattering(c));
    line.port.send("81 09 04 00 FF");
    expectEndlessWithTheReplyInside([&](std::size_t n) { return line.port.read(n); },
                                    [&] { line.port.send("81 09 04 4E FF"); });
}

TEST(StrayBytes, ForeverKeepsATcpConnectionTalking) {
    Chatter c;
    c.strayForever = true;
    Camsim::PtyServer server(chattering(c));
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    sendBytes(tcp, "81 09 04 00 FF");
    expectEndlessWithTheReplyInside([&](std::size_t n) { return receiveBytes(tcp, n); },
                                    [&] { sendBytes(tcp, "81 09 04 4E FF"); });
}

// The bytes of a reply read one by one, and how long after the request the last came.
template <typename ReadOne>
std::pair<std::string, Clock::duration> paced(ReadOne readOne, std::size_t count) {
    const auto sent = Clock::now();
    Bytes got;
    while (got.size() < count) {
        const Bytes one = readOne();
        if (one.empty()) break;
        got.insert(got.end(), one.begin(), one.end());
    }
    return {toHex(got), Clock::now() - sent};
}

TEST(BytePause, SpreadsTheBytesOfAReplyOnTheLineAndOverTcp) {
    Camsim::ServerOptions options = chattering(Chatter{});
    options.timing.bytePause = milliseconds(50);
    Camsim::PtyServer server(options);
    SimTest::Port port(server.devicePath());
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    // The last of four bytes leaves three pauses after the first, which leaves at the request.
    port.send("81 09 04 00 FF");
    const auto line = paced([&] { return port.read(1); }, 4);
    EXPECT_EQ(line.first, "90 50 02 FF");
    EXPECT_GE(line.second, milliseconds(140));
    sendBytes(tcp, "81 09 04 00 FF");
    const auto stream = paced([&] { return receiveBytes(tcp, 1); }, 4);
    EXPECT_EQ(stream.first, "90 50 02 FF");
    EXPECT_GE(stream.second, milliseconds(140));
}

}  // namespace
