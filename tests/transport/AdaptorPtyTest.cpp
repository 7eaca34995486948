// The serial transport as the protocol engine uses it, on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "PseudoTerminal.h"
#include "quorvin/DriverException.h"
#include "tests/support/Raised.h"
#include "transport/Comm.h"
#include "transport/WinSerialCommAdaptor.h"

namespace {

using TestSupport::raisedBy;

using namespace std::chrono_literals;
using CameraDriver::Comm;
using CameraDriver::DriverException;
using TransportTest::Bytes;
using TransportTest::LogCapture;
using TransportTest::PseudoTerminal;
using TransportTest::ScriptedPeer;

const Bytes POWER_ON{0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
const Bytes ACK_AND_COMPLETION{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF};

// One command and its reply, as the protocol engine runs them.
void exchange(Comm& comm, PseudoTerminal& line) {
    ScriptedPeer camera(line,
                        {ScriptedPeer::awaitCommand(), ScriptedPeer::send(ACK_AND_COMPLETION)});
    std::uint32_t count = static_cast<std::uint32_t>(POWER_ON.size());
    comm.send(POWER_ON.data(), &count);
    EXPECT_EQ(count, POWER_ON.size());
    Bytes reply(16);
    count = 16;
    comm.recv(reply.data(), &count);
    reply.resize(count);
    EXPECT_EQ(reply, ACK_AND_COMPLETION);
    EXPECT_EQ(camera.finish(), std::vector<Bytes>{POWER_ON});
}

TEST(AdaptorOnPty, ConnectDisconnectConnectOnOneTransport) {
    PseudoTerminal line;
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    LogCapture log;

    comm->connect(line.path());
    exchange(*comm, line);
    comm->disconnect();
    comm->disconnect();
    comm->connect(line.path());
    exchange(*comm, line);
    comm->disconnect();

    const std::string opened = "[Debug] open port: " + line.path();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{opened, "[Debug] close COM port", opened,
                                                     "[Debug] close COM port"}));
}

TEST(AdaptorOnPty, MissingPortFailsThenAnAvailableOneConnects) {
    PseudoTerminal line;
    CameraDriver::WinSerialCommAdaptor adaptor;
    LogCapture log;

    EXPECT_EQ(raisedBy([&] { adaptor.connect("/dev/quorvin-no-such-port"); }),
              "WinSerialCommAdaptor::connect() failed !");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[Debug] open port: /dev/quorvin-no-such-port",
                                                     "[Exception] open COM port failed ! "}));

    adaptor.connect(line.path());
    exchange(adaptor, line);
}

TEST(AdaptorOnPty, HeldPortIsRefusedToASecondTransport) {
    PseudoTerminal line;
    CameraDriver::WinSerialCommAdaptor first;
    CameraDriver::WinSerialCommAdaptor second;
    first.connect(line.path());
    EXPECT_EQ(raisedBy([&] { second.connect(line.path()); }),
              "WinSerialCommAdaptor::connect() failed !");
    first.disconnect();
    second.connect(line.path());
    exchange(second, line);
}

TEST(AdaptorOnPty, StaleCompletionIsDroppedBeforeTheNextCommandGoesOut) {
    PseudoTerminal line;
    CameraDriver::WinSerialCommAdaptor adaptor;
    adaptor.connect(line.path());
    // An exchange that read only the acknowledgement of its burst leaves the completion behind.
    line.send(ACK_AND_COMPLETION);
    Bytes first(3);
    std::uint32_t count = 3;
    adaptor.recv(first.data(), &count);
    ASSERT_EQ(first, Bytes(ACK_AND_COMPLETION.begin(), ACK_AND_COMPLETION.begin() + 3));
    LogCapture log;

    exchange(adaptor, line);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Debug] Discarded stale input: 90 51 ff "});
}

TEST(AdaptorOnPty, LineGoneMidReceive) {
    PseudoTerminal line;
    CameraDriver::WinSerialCommAdaptor adaptor;
    adaptor.connect(line.path());
    LogCapture log;
    ScriptedPeer peer(line, {ScriptedPeer::pause(30ms), ScriptedPeer::hangUp()});

    unsigned char buffer[16];
    std::uint32_t count = sizeof buffer;
    EXPECT_EQ(raisedBy([&] { adaptor.recv(buffer, &count); }),
              "Serial communication error occured in WinSerialCommAdaptor::recv() !");
    EXPECT_EQ(log.exceptionLines(),
              std::vector<std::string>{"ReadFile() failed in WinSerialComm::read() !"});
    peer.finish();
}

}  // namespace
