// A camera that acknowledges a command and sends its completion only when the next request
// arrives: the command fails with the time-out (its completion did not come), and the next
// inquiry reads its own answer, not the completion in front of it. Waits out the 6 s limit once
// per link, so it runs with the slow tests.
#include <gtest/gtest.h>

#include <string>

#include "quorvin/Controller.h"
#include "sim/PtyServer.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"

namespace E2eTest {
namespace {

using TestSupport::raisedBy;

TEST(HeldCompletion, TheNextInquiryReadsItsOwnAnswerOnEveryLink) {
    TestSupport::LogSandbox sandbox;
    Camsim::ServerOptions o;
    o.timing.instant = true;
    o.network.tcpPort = 0;
    o.network.udpPort = 0;
    Camsim::PtyServer server(o);
    const std::string tcp = "tcp://127.0.0.1:" + std::to_string(server.tcpPort());
    const std::string udp = "udp://127.0.0.1:" + std::to_string(server.udpPort());
    const struct {
        std::string port;
        std::string timeout;
    } links[] = {
        {server.devicePath(),
         "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !"},
        {tcp, "Network camera " + tcp.substr(6) + ": no reply"},
        {udp, "Network camera " + udp.substr(6) + ": no reply"},
    };
    long gain = 0x40;
    for (const auto& way : links) {
        SCOPED_TRACE(way.port);
        server.setFault(Camsim::Fault::None);
        CameraDriver::Controller camera;
        camera.connect(way.port);
        server.setFault(Camsim::Fault::HeldCompletion);
        ++gain;
        EXPECT_EQ(raisedBy([&] { camera.setRGain(gain); }), way.timeout);
        long read = -1;
        EXPECT_EQ(raisedBy([&] { read = camera.getRGain(); }), "(nothing raised)");
        EXPECT_EQ(read, gain);
    }
}

}  // namespace
}  // namespace E2eTest
