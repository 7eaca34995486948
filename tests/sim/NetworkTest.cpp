// The first camera's network side, byte for byte with raw sockets: VISCA over IP's headers and
// sequence numbers on UDP, the byte stream on TCP, and what each network fault does to the
// datagrams and the connection.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "NetworkSupport.h"
#include "ProgramSupport.h"
#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "sim/UniqueFd.h"

namespace {

using Camsim::NetworkFault;
using Camsim::UniqueFd;
using SimTest::Bytes;
using SimTest::connectTo;
using SimTest::hex;
using SimTest::receiveFor;
using SimTest::replyDatagram;
using SimTest::requestDatagram;
using SimTest::sendBytes;
using SimTest::toHex;

Camsim::ServerOptions withNetwork(NetworkFault fault = NetworkFault::None, int request = 1) {
    Camsim::ServerOptions options;
    options.timing.instant = true;
    options.network.tcpPort = 0;
    options.network.udpPort = 0;
    options.network.fault.fault = fault;
    options.network.fault.request = request;
    options.network.fault.delay = SimTest::milliseconds(150);
    return options;
}

TEST(NetworkUdp, AnswersTheResetAndEachReplyInItsOwnDatagramWithTheRequestsNumber) {
    Camsim::PtyServer server(withNetwork());
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, "02 00 00 01 00 00 00 07 01");
    EXPECT_EQ(receiveFor(udp, 100), std::vector<std::string>{"02 01 00 01 00 00 00 07 01"});
    // An inquiry: one reply.
    sendBytes(udp, "01 10 00 05 00 00 00 08 81 09 04 00 FF");
    EXPECT_EQ(receiveFor(udp, 100),
              std::vector<std::string>{"01 11 00 04 00 00 00 08 90 50 02 FF"});
    // A command: acknowledgement and completion apart, both with the command's number.
    sendBytes(udp, "01 00 00 06 12 34 56 78 81 01 04 33 02 FF");
    EXPECT_EQ(receiveFor(udp, 100), (std::vector<std::string>{"01 11 00 03 12 34 56 78 90 41 FF",
                                                              "01 11 00 03 12 34 56 78 90 51 FF"}));
    EXPECT_TRUE(server.camera(1).backlight);
    // Over the network the camera keeps address 1 and stands alone.
    sendBytes(udp, "01 00 00 04 00 00 00 09 88 30 01 FF");
    EXPECT_EQ(receiveFor(udp, 100),
              std::vector<std::string>{"01 11 00 04 00 00 00 09 88 30 02 FF"});
    // Not a request: a wrong length, an unknown payload type.
    sendBytes(udp, "01 10 00 09 00 00 00 0A 81 09 04 00 FF");
    sendBytes(udp, "03 00 00 05 00 00 00 0B 81 09 04 00 FF");
    EXPECT_EQ(receiveFor(udp, 100), std::vector<std::string>{});
}

struct DatagramFaultCase {
    const char* name;
    NetworkFault fault;
    std::vector<std::string> first100ms;  // after the hit request
    std::vector<std::string> later;       // up to 400 ms
};

class NetworkUdpFaults : public testing::TestWithParam<DatagramFaultCase> {};

// The fault hits request 2 only: the reset is no request, the first inquiry is answered.
TEST_P(NetworkUdpFaults, HitTheRepliesOfTheNamedRequestOnly) {
    Camsim::PtyServer server(withNetwork(GetParam().fault, 2));
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, "02 00 00 01 00 00 00 01 01");
    sendBytes(udp, "01 10 00 05 00 00 00 02 81 09 04 00 FF");
    EXPECT_EQ(receiveFor(udp, 100),
              (std::vector<std::string>{"02 01 00 01 00 00 00 01 01",
                                        "01 11 00 04 00 00 00 02 90 50 02 FF"}));
    sendBytes(udp, "01 10 00 05 00 00 00 03 81 09 04 00 FF");
    EXPECT_EQ(receiveFor(udp, 100), GetParam().first100ms);
    EXPECT_EQ(receiveFor(udp, 300), GetParam().later);
    sendBytes(udp, "01 10 00 05 00 00 00 04 81 09 04 00 FF");
    EXPECT_EQ(receiveFor(udp, 100),
              std::vector<std::string>{"01 11 00 04 00 00 00 04 90 50 02 FF"});
}

const std::string REPLY_3 = "01 11 00 04 00 00 00 03 90 50 02 FF";

INSTANTIATE_TEST_SUITE_P(
    Faults, NetworkUdpFaults,
    testing::Values(DatagramFaultCase{"Drop", NetworkFault::Drop, {}, {}},
                    DatagramFaultCase{"Duplicate", NetworkFault::Duplicate, {REPLY_3, REPLY_3}, {}},
                    DatagramFaultCase{"Late", NetworkFault::Late, {}, {REPLY_3}},
                    // Faults of the byte stream leave datagrams alone.
                    DatagramFaultCase{"Close", NetworkFault::Close, {REPLY_3}, {}}),
    [](const auto& row) { return std::string(row.param.name); });

struct StreamCase {
    const char* name;
    NetworkFault fault;
    std::vector<std::string> reply;  // to the third request
};

class NetworkTcp : public testing::TestWithParam<StreamCase> {};

TEST_P(NetworkTcp, CarriesTheByteStreamAndClosesWhereTheFaultSays) {
    Camsim::PtyServer server(withNetwork(GetParam().fault, 3));
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    // Two frames in one piece, answered as a chain of one camera would.
    sendBytes(tcp, "88 30 01 FF 88 01 00 01 FF");
    EXPECT_EQ(receiveFor(tcp, 100), std::vector<std::string>{"88 30 02 FF 88 01 00 01 FF"});
    sendBytes(tcp, "81 09 04");
    sendBytes(tcp, "00 FF");
    EXPECT_EQ(receiveFor(tcp, 200), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NetworkTcp,
    testing::Values(StreamCase{"None", NetworkFault::None, {"90 50 02 FF"}},
                    StreamCase{"Close", NetworkFault::Close, {"closed"}},
                    StreamCase{"CloseMidReply", NetworkFault::CloseMidReply, {"90", "closed"}},
                    StreamCase{"Drop", NetworkFault::Drop, {"90 50 02 FF"}}),
    [](const auto& row) { return std::string(row.param.name); });

struct CameraFaultCase {
    const char* name;
    Camsim::Fault fault;
    const char* request;
    std::vector<std::string> replies;  // frames, each a datagram over UDP
};

class NetworkCameraFaults : public testing::TestWithParam<CameraFaultCase> {};

// The camera's own faults reach the network as they reach the line.
TEST_P(NetworkCameraFaults, ShapeTheRepliesOnBothTransports) {
    Camsim::ServerOptions options = withNetwork();
    options.fault = GetParam().fault;
    Camsim::PtyServer server(options);
    std::string stream;
    std::vector<std::string> datagrams;
    for (const std::string& frame : GetParam().replies) {
        stream += (stream.empty() ? "" : " ") + frame;
        datagrams.push_back(replyDatagram(7, frame));
    }
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    sendBytes(tcp, GetParam().request);
    EXPECT_EQ(receiveFor(tcp, 100), std::vector<std::string>{stream});
    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, requestDatagram(7, GetParam().request));
    EXPECT_EQ(receiveFor(udp, 100), datagrams);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NetworkCameraFaults,
    testing::Values(
        CameraFaultCase{"ErrorAfterAck",
                        Camsim::Fault::ErrorAfterAck,
                        "81 01 04 33 02 FF",
                        {"90 41 FF", "90 61 41 FF"}},
        CameraFaultCase{"EmptyAnswer", Camsim::Fault::EmptyAnswer, "81 09 04 4E FF", {"90 50 FF"}},
        CameraFaultCase{
            "ShortAnswer", Camsim::Fault::ShortAnswer, "81 09 04 4E FF", {"90 50 02 FF"}},
        CameraFaultCase{"UnterminatedAnswer",
                        Camsim::Fault::UnterminatedAnswer,
                        "81 09 04 4E FF",
                        {"90 50 00 00 00 07 00 00 00 00 00 00 00 00 00 00"}},
        CameraFaultCase{"BadNibbleAnswer",
                        Camsim::Fault::BadNibbleAnswer,
                        "81 09 04 4E FF",
                        {"90 50 10 00 00 07 FF"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(NetworkCameraFaults, HeldCompletionComesWithTheNextRequestAndKeepsItsOwnNumber) {
    Camsim::ServerOptions options = withNetwork();
    options.fault = Camsim::Fault::HeldCompletion;
    Camsim::PtyServer server(options);
    const UniqueFd tcp = connectTo(SOCK_STREAM, server.tcpPort());
    sendBytes(tcp, "81 01 04 33 02 FF");
    EXPECT_EQ(receiveFor(tcp, 100), std::vector<std::string>{"90 41 FF"});
    sendBytes(tcp, "81 09 04 00 FF");
    EXPECT_EQ(receiveFor(tcp, 100), std::vector<std::string>{"90 51 FF 90 50 02 FF"});

    const UniqueFd udp = connectTo(SOCK_DGRAM, server.udpPort());
    sendBytes(udp, requestDatagram(5, "81 01 04 33 03 FF"));
    EXPECT_EQ(receiveFor(udp, 100), std::vector<std::string>{replyDatagram(5, "90 41 FF")});
    sendBytes(udp, requestDatagram(6, "81 09 04 00 FF"));
    EXPECT_EQ(receiveFor(udp, 100), (std::vector<std::string>{replyDatagram(5, "90 51 FF"),
                                                              replyDatagram(6, "90 50 02 FF")}));
}

TEST(NetworkProgram, PrintsTheNetworkNamesAfterTheDeviceAndServesThem) {
    SimTest::TempDir dir;
    SimTest::Program program({"--tcp", "0", "--udp", "0"}, dir.path("stderr.txt"));
    EXPECT_EQ(program.readLine().rfind("/dev/", 0), 0u);
    const std::string tcp = program.readLine();
    const std::string udp = program.readLine();
    ASSERT_EQ(tcp.rfind("tcp://127.0.0.1:", 0), 0u) << tcp;
    ASSERT_EQ(udp.rfind("udp://127.0.0.1:", 0), 0u) << udp;
    const UniqueFd stream =
        connectTo(SOCK_STREAM, static_cast<std::uint16_t>(std::stoi(tcp.substr(16))));
    sendBytes(stream, "81 09 04 00 FF");
    EXPECT_EQ(receiveFor(stream, 200), std::vector<std::string>{"90 50 02 FF"});
    const UniqueFd datagrams =
        connectTo(SOCK_DGRAM, static_cast<std::uint16_t>(std::stoi(udp.substr(16))));
    sendBytes(datagrams, "02 00 00 01 00 00 00 01 01");
    EXPECT_EQ(receiveFor(datagrams, 200), std::vector<std::string>{"02 01 00 01 00 00 00 01 01"});
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

}  // namespace
