// The served VISCA-over-IP port: the library's own udp:// transport drives any camera of the
// chain through it with every operation, as it would a network camera, with the camera's
// address put in on the way to the chain and taken out on the way back.

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <string>
#include <vector>

#include "quorvin/Controller.h"
#include "quorvin/DriverException.h"
#include "tests/hub/HubFixture.h"
#include "tests/hub/ScriptLines.h"
#include "tests/support/LogSandbox.h"

namespace HubTest {
namespace {

std::vector<std::string> runScript(CameraDriver::Controller& camera,
                                   const std::vector<ScriptLine>& lines) {
    std::vector<std::string> results;
    for (const ScriptLine& line : lines) {
        try {
            results.push_back(
                line.text + " -> " +
                Operations::toJson(line.operation->invoke(camera, line.values)).dump());
        } catch (const CameraDriver::DriverException& e) {
            results.push_back(line.text + " -> failed: " + e.what());
        }
    }
    return results;
}

TEST(HubViscaIp, LibraryOverUdpRunsEveryOperationOnTheThirdCameraOfAChain) {
    TestSupport::LogSandbox sandbox;
    const std::vector<ScriptLine> lines = scriptLines();

    std::vector<std::string> direct;
    std::vector<std::string> directFrames;
    {
        PlainChain reference(3);
        CameraDriver::Controller camera;
        camera.connect(reference.server.devicePath());
        camera.setCurCamera(3);
        reference.wire.take();
        direct = runScript(camera, lines);
        directFrames = reference.wire.take();
        camera.disconnect();
    }

    HubOnChain chain(chainOf(3));
    ASSERT_TRUE(chain.waitOnline("cam3"));
    chain.wire.take();
    CameraDriver::Controller camera;
    camera.connect("udp://127.0.0.1:" + std::to_string(chain.server->viscaPort("cam3")));
    // The network camera's set-up is answered by the hub: the chain is not numbered or
    // cleared under the other clients' feet.
    EXPECT_TRUE(chain.wire.take().empty());
    EXPECT_EQ(camera.getCamerasTotal(), 1);
    EXPECT_EQ(runScript(camera, lines), direct);
    EXPECT_EQ(chain.wire.take(), directFrames);
    camera.disconnect();
}

TEST(HubViscaIp, LockedCameraRefusesCommandsButAnswersInquiries) {
    TestSupport::LogSandbox sandbox;
    HubOnChain chain(chainOf(2));
    ASSERT_TRUE(chain.waitOnline());
    CameraDriver::Controller camera;
    camera.connect("udp://127.0.0.1:" + std::to_string(chain.server->viscaPort("cam1")));
    ASSERT_EQ(chain.hub->lock("cam1", "on air").status, 200);
    try {
        camera.setGain(3);
        ADD_FAILURE() << "a locked camera took a command";
    } catch (const CameraDriver::DriverException& e) {
        EXPECT_STREQ(e.what(), "NOT_EXECUTABLE error ocurred when executing the command !");
    }
    EXPECT_NO_THROW(camera.getGain());
}

TEST(HubViscaIp, ResetIsAnsweredAndMalformedDatagramsAreDropped) {
    HubOnChain chain(chainOf(1));
    ASSERT_TRUE(chain.waitOnline());
    namespace net = boost::asio;
    net::io_context io;
    net::ip::udp::socket socket(io, net::ip::udp::endpoint(net::ip::udp::v4(), 0));
    const net::ip::udp::endpoint hub(net::ip::make_address("127.0.0.1"),
                                     chain.server->viscaPort("cam1"));
    auto exchange = [&](std::vector<std::uint8_t> datagram) {
        socket.send_to(net::buffer(datagram), hub);
        std::vector<std::uint8_t> reply(64);
        bool done = false;
        std::size_t got = 0;
        socket.async_receive(net::buffer(reply), [&](boost::system::error_code ec, std::size_t n) {
            done = !ec;
            got = n;
        });
        io.restart();
        io.run_for(std::chrono::milliseconds(500));
        if (!done) {
            socket.cancel();
            io.restart();
            io.run();
            return std::vector<std::uint8_t>();
        }
        reply.resize(got);
        return reply;
    };
    // The length in the header does not match the payload; a payload without its FF; an
    // unknown payload type: none is answered.
    EXPECT_TRUE(
        exchange({0x01, 0x10, 0x00, 0x09, 0, 0, 0, 1, 0x81, 0x09, 0x04, 0x00, 0xFF}).empty());
    EXPECT_TRUE(exchange({0x01, 0x10, 0x00, 0x04, 0, 0, 0, 2, 0x81, 0x09, 0x04, 0x00}).empty());
    EXPECT_TRUE(
        exchange({0x07, 0x00, 0x00, 0x05, 0, 0, 0, 3, 0x81, 0x09, 0x04, 0x00, 0xFF}).empty());
    // The reset, with the request's sequence number.
    EXPECT_EQ(exchange({0x02, 0x00, 0x00, 0x01, 0, 0, 0, 9, 0x01}),
              (std::vector<std::uint8_t>{0x02, 0x01, 0x00, 0x01, 0, 0, 0, 9, 0x01}));
    // An inquiry: its answer from address 1, with the sequence number.
    EXPECT_EQ(
        exchange({0x01, 0x10, 0x00, 0x05, 0, 0, 1, 4, 0x81, 0x09, 0x04, 0x00, 0xFF}),
        (std::vector<std::uint8_t>{0x01, 0x11, 0x00, 0x04, 0, 0, 1, 4, 0x90, 0x50, 0x02, 0xFF}));
}

}  // namespace
}  // namespace HubTest
