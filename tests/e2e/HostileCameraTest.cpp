// Cameras that send more than their answers, later than they should, or slowly: the exported
// library against the virtual camera's faults and unasked messages, over the pseudo-terminal,
// TCP and UDP. Each row has one right outcome for setting the red gain and reading it back: the
// value, or the exact failure.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "quorvin/Controller.h"
#include "sim/PtyServer.h"
#include "tests/e2e/NetworkCamera.h"
#include "tests/support/Eventually.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"
#include "tests/support/TestName.h"

namespace E2eTest {
namespace {

using namespace std::chrono_literals;
using TestSupport::eventually;
using TestSupport::raisedBy;

const char* const OK = "(nothing raised)";
const char* const FAILED = "Executing the command failed !";
const char* const NOT_EXECUTABLE = "NOT_EXECUTABLE error ocurred when executing the command !";
constexpr long GAIN = 0x42;

struct Row {
    const char* name;
    std::vector<Link> links;
    // What the camera does: its fault, its unasked messages, its pace.
    std::function<void(Camsim::ServerOptions&)> camera;
    const char* set;  // the outcome of setRGain(0x42)
    const char* get;  // getRGain's value in decimal, or its failure
    // Stray bytes follow each exchange: wait until they have all reached the line before the
    // next request, so that they arrive between two exchanges as the row means them to.
    bool waitForStrays = false;
};

Camsim::Chatter chatter(std::function<void(Camsim::Chatter&)> set) {
    Camsim::Chatter c;
    set(c);
    return c;
}

const std::vector<Link> ALL{Link::Pty, Link::Tcp, Link::Udp};
const std::vector<Link> STREAMS{Link::Pty, Link::Tcp};

const Row ROWS[] = {
    {"NoticesAndRemoteKeysAroundEveryReply", ALL,
     [](Camsim::ServerOptions& o) {
         o.chatter = chatter([](Camsim::Chatter& c) {
             c.networkChangeOnConnect = true;
             c.networkChangeBeforeReply = 100;
             c.networkChangeAfterExchange = 100;
             c.infraredBeforeReply = 100;
         });
     },
     OK, "66"},
    {"BroadcastNetworkChangeOnConnect", ALL,
     [](Camsim::ServerOptions& o) {
         o.chatter = chatter([](Camsim::Chatter& c) {
             c.networkChangeOnConnect = true;
             c.networkChangeBroadcast = true;
             c.networkChangeBeforeReply = 50;
         });
     },
     OK, "66"},
    {"Bytes50MsApart", STREAMS, [](Camsim::ServerOptions& o) { o.timing.bytePause = 50ms; }, OK,
     "66"},
    {"Bytes150MsApart", STREAMS, [](Camsim::ServerOptions& o) { o.timing.bytePause = 150ms; }, OK,
     "66"},
    {"ErrorAfterTheAcknowledgement", ALL,
     [](Camsim::ServerOptions& o) { o.fault = Camsim::Fault::ErrorAfterAck; }, NOT_EXECUTABLE, ""},
    {"AnswerWithoutData", ALL,
     [](Camsim::ServerOptions& o) { o.fault = Camsim::Fault::EmptyAnswer; }, OK, FAILED},
    {"AnswerOfOneByteForFourNibbles", ALL,
     [](Camsim::ServerOptions& o) { o.fault = Camsim::Fault::ShortAnswer; }, OK, FAILED},
    {"AnswerWithoutTerminator", ALL,
     [](Camsim::ServerOptions& o) { o.fault = Camsim::Fault::UnterminatedAnswer; }, OK, FAILED},
    {"AnswerWithANibbleAbove0F", ALL,
     [](Camsim::ServerOptions& o) { o.fault = Camsim::Fault::BadNibbleAnswer; }, OK, FAILED},
    {"StrayBytesAndAStaleAnswerBetweenExchanges", ALL,
     [](Camsim::ServerOptions& o) {
         o.chatter = chatter([](Camsim::Chatter& c) {
             c.strayBytes = 5000;
             c.strayStale = true;
         });
     },
     OK, "66", true},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class HostileCamera : public ::testing::TestWithParam<std::tuple<Row, Link>> {
  protected:
    static Camsim::ServerOptions options(const Row& row) {
        Camsim::ServerOptions o;
        o.timing.instant = true;
        o.network.tcpPort = 0;
        o.network.udpPort = 0;
        row.camera(o);
        return o;
    }

    // Until the bytes that the camera sends after an exchange are all on their way to us.
    void awaitStrays(Link way) {
        if (way == Link::Pty) {
            // The terminal holds only some kilobytes; the rest follows as soon as the library
            // reads, which its discard waits for.
            ASSERT_TRUE(eventually([&] { return server.unreadReplyBytes() > 0; }));
        } else if (way == Link::Tcp) {
            ASSERT_TRUE(eventually([&] { return server.networkQueuedBytes() == 0; }));
        }
    }

    TestSupport::LogSandbox sandbox;
    const Row& row = std::get<0>(GetParam());
    const Link link = std::get<1>(GetParam());
    Camsim::PtyServer server{options(row)};
    CameraDriver::Controller camera;
};

TEST_P(HostileCamera, SetsAndReadsBackTheRedGainOrFailsWithTheOneRightText) {
    ASSERT_EQ(raisedBy([&] { camera.connect(portName(server, link)); }), OK);
    EXPECT_EQ(raisedBy([&] { camera.setRGain(GAIN); }), row.set);
    if (*row.get == '\0') {
        return;
    }
    if (row.waitForStrays) {
        awaitStrays(link);
    }
    long value = -1;
    const std::string failure = raisedBy([&] { value = camera.getRGain(); });
    EXPECT_EQ(failure == OK ? std::to_string(value) : failure, row.get);
}

// A camera that never stops talking cannot be listened to: the send that would have to empty
// the line first fails with its own text, rather than reading noise for ever.
TEST(NeverQuietCamera, FailsTheNextExchangeWithAClearMessageOnEveryStreamLink) {
    TestSupport::LogSandbox sandbox;
    Camsim::ServerOptions o;
    o.timing.instant = true;
    o.network.tcpPort = 0;
    Camsim::PtyServer server(o);
    const std::string tcp = "tcp://127.0.0.1:" + std::to_string(server.tcpPort());
    const struct {
        std::string port;
        std::function<bool()> flooding;
        std::string failure;
    } links[] = {
        {server.devicePath(), [&] { return server.unreadReplyBytes() > 0; },
         "Stale input keeps arriving, nothing was sent in WinSerialCommAdaptor::send() !"},
        {tcp, [&] { return server.networkQueuedBytes() > 0; },
         "Network camera " + tcp.substr(6) + ": stale input keeps arriving, nothing was sent"},
    };
    for (const auto& way : links) {
        SCOPED_TRACE(way.port);
        server.setChatter(Camsim::Chatter{});
        CameraDriver::Controller camera;
        camera.connect(way.port);
        Camsim::Chatter flood;
        flood.strayForever = true;
        server.setChatter(flood);
        // The flood starts behind this exchange's reply.
        EXPECT_EQ(raisedBy([&] { camera.setRGain(GAIN); }), OK);
        ASSERT_TRUE(eventually(way.flooding));
        // The flood may still be on its way when the next request goes out (the camera has
        // only queued it), and then its noise stands in the answer's place; by the request
        // after, it is pending, and that request is refused before anything is sent.
        const std::string first = raisedBy([&] { camera.getRGain(); });
        if (first != way.failure) {
            EXPECT_EQ(first, FAILED);
            EXPECT_EQ(raisedBy([&] { camera.getRGain(); }), way.failure);
        }
    }
}

std::vector<std::tuple<Row, Link>> cases() {
    std::vector<std::tuple<Row, Link>> all;
    for (const Row& row : ROWS) {
        for (Link link : row.links) {
            all.emplace_back(row, link);
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileCamera, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<std::tuple<Row, Link>>& param) {
                             return std::string(std::get<0>(param.param).name) + "_" +
                                    linkName(std::get<1>(param.param));
                         });

}  // namespace
}  // namespace E2eTest
