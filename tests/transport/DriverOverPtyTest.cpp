// The protocol engine over the real serial transport: a ViscaControllerImpl made the normal way
// creates its own transport and talks to a camera played on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "PseudoTerminal.h"
#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"

namespace {

using namespace std::chrono_literals;
using TransportTest::Bytes;
using TransportTest::PseudoTerminal;
using TransportTest::ScriptedPeer;

const Bytes ADDRESS_SET{0x88, 0x30, 0x01, 0xFF};
const Bytes ADDRESS_SET_REPLY{0x88, 0x30, 0x02, 0xFF};
const Bytes IF_CLEAR{0x88, 0x01, 0x00, 0x01, 0xFF};

TEST(DriverOverPty, ConnectNumbersAndClearsTheChain) {
    PseudoTerminal line;
    CameraDriver::ViscaControllerImpl impl;
    // The peer starts before connect; the port discards what was queued while it opened, so
    // the peer only answers what it receives.
    ScriptedPeer camera(line, {ScriptedPeer::awaitCommand(), ScriptedPeer::send(ADDRESS_SET_REPLY),
                               ScriptedPeer::awaitCommand(), ScriptedPeer::send(IF_CLEAR)});
    impl.connect(line.path());
    EXPECT_EQ(camera.finish(), (std::vector<Bytes>{ADDRESS_SET, IF_CLEAR}));
    impl.disconnect();
}

TEST(DriverOverPty, AcknowledgementAndCompletionApartAreAccepted) {
    PseudoTerminal line;
    CameraDriver::ViscaControllerImpl impl;
    {
        ScriptedPeer camera(line,
                            {ScriptedPeer::awaitCommand(), ScriptedPeer::send(ADDRESS_SET_REPLY),
                             ScriptedPeer::awaitCommand(), ScriptedPeer::send(IF_CLEAR)});
        impl.connect(line.path());
        camera.finish();
    }

    ScriptedPeer camera(line, {ScriptedPeer::awaitCommand(), ScriptedPeer::send({0x90, 0x41, 0xFF}),
                               ScriptedPeer::pause(40ms), ScriptedPeer::send({0x90, 0x51, 0xFF})});
    std::uint8_t powerOn[] = {0x80, 0x01, 0x04, 0x00, 0x02, 0xFF};
    const CameraDriver::Packet result =
        impl.executeCommand(powerOn, sizeof powerOn, CameraDriver::ACK_COMPLETION);
    EXPECT_EQ(camera.finish(), (std::vector<Bytes>{{0x81, 0x01, 0x04, 0x00, 0x02, 0xFF}}));
    for (int i = 0; i < CameraDriver::PACKET_SIZE; ++i) {
        EXPECT_EQ(result.get(i), 0) << i;
    }
    impl.disconnect();
}

}  // namespace
