// The 6 s transfer limit over udp:// to the virtual camera: a reply that never comes, and one
// that comes after the limit, in the middle of later exchanges.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "quorvin/Controller.h"
#include "tests/e2e/NetworkCamera.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"

namespace {

using CameraDriver::Controller;
using E2eTest::Link;
using E2eTest::NetworkCamera;
using TestSupport::raisedBy;
using TestSupport::readLines;
using Clock = std::chrono::steady_clock;

// Request 2: the first after connect's IF_Clear.
Camsim::NetworkFaultPlan onFirstOperation(Camsim::NetworkFault fault) {
    Camsim::NetworkFaultPlan plan;
    plan.fault = fault;
    plan.request = 2;
    plan.delay = std::chrono::milliseconds(6500);
    return plan;
}

// Runs getZoom and returns how long it took to fail with `message`.
Clock::duration timeToFail(Controller& camera, const std::string& message) {
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.getZoom(); }), message);
    return Clock::now() - start;
}

TEST(UdpCameraSlow, ADroppedReplyTimesOutAndTheNextExchangeSucceeds) {
    TestSupport::LogSandbox sandbox;
    NetworkCamera sim(onFirstOperation(Camsim::NetworkFault::Drop));
    Controller camera;
    camera.connect(sim.name(Link::Udp));
    const auto waited = timeToFail(camera, "Network camera " + sim.peer(Link::Udp) + ": no reply");
    EXPECT_GE(waited, std::chrono::seconds(6));
    EXPECT_LT(waited, std::chrono::seconds(12));
    camera.setZoom(0.5);
    EXPECT_NEAR(camera.getZoom(), 0.5, 1.0 / 16384);
}

TEST(UdpCameraSlow, AReplyThatComesAfterTheLimitChangesNoLaterResult) {
    TestSupport::LogSandbox sandbox;
    NetworkCamera sim(onFirstOperation(Camsim::NetworkFault::Late));
    setLogFile("late.log");
    setDebugEnabled(true);
    Controller camera;
    camera.connect(sim.name(Link::Udp));
    timeToFail(camera, "Network camera " + sim.peer(Link::Udp) + ": no reply");

    // Exchanges run without a pause while the late reply arrives, 0.5 s after the failure.
    const auto until = Clock::now() + std::chrono::milliseconds(1500);
    int step = 0;
    while (Clock::now() < until) {
        const double zoom = (step++ % 4) / 8.0;
        camera.setZoom(zoom);
        ASSERT_NEAR(camera.getZoom(), zoom, 1.0 / 16384) << "exchange " << step;
    }
    camera.disconnect();
    const std::vector<std::string> lines = readLines("late.log");
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Dropped datagram") != line.npos;
    })) << "the late reply arrived and was dropped";
}

}  // namespace
