// Links that heal: each fault of the virtual camera takes the camera offline soon after the
// first failed exchange or heartbeat, requests then fail at once, and the hub brings the link
// back by itself once the camera is there again. The times are printed as figures; the limits
// asserted are generous deadlines, not goals.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/hub/HubFixture.h"
#include "tests/support/HubClient.h"

namespace HubTest {
namespace {

using Ms = std::chrono::duration<double, std::milli>;

// The hub's own timing: a heartbeat after 1 s of quiet, answered within 0.5 s.
ChainOptions healing(int cameras = 3) {
    ChainOptions o;
    o.cameras = cameras;
    o.linkTiming = Hub::LinkTiming{};
    return o;
}

// Waits for the camera's health event and returns how long after `since` it came.
double until(HubOnChain& chain, const std::string& camera, const std::string& state,
             Clock::time_point since, std::chrono::seconds limit) {
    const json event = chain.events.waitFor(health(camera, state), limit);
    EXPECT_FALSE(event.is_null()) << camera << " never reported " << state;
    return Ms(Clock::now() - since).count();
}

void figure(const char* fault, double offline, double online) {
    std::printf("[figure] %s: offline after %.0f ms, online again after %.0f ms\n", fault, offline,
                online);
    ::testing::Test::RecordProperty(std::string(fault) + " offline ms", static_cast<int>(offline));
    ::testing::Test::RecordProperty(std::string(fault) + " online ms", static_cast<int>(online));
}

TEST(HubFaults, SilentCameraGoesOfflineAtTheHeartbeatAndComesBack) {
    HubOnChain chain(healing());
    ASSERT_TRUE(chain.waitOnline());
    chain.events.clear();
    const auto silenced = Clock::now();
    chain.camera->setFault(Camsim::Fault::Silent);
    const double offline = until(chain, "cam1", "offline", silenced, std::chrono::seconds(5));
    // Requests fail at once instead of each waiting for the time-out.
    const auto asked = Clock::now();
    const TestSupport::HttpReply reply =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam2/getZoom");
    EXPECT_EQ(reply.status, 503);
    EXPECT_NE(reply.body.find("offline"), std::string::npos);
    EXPECT_LT(Ms(Clock::now() - asked).count(), 1000.0);

    const auto healed = Clock::now();
    chain.camera->setFault(Camsim::Fault::None);
    const double online = until(chain, "cam1", "online", healed, std::chrono::seconds(15));
    figure("silent camera", offline, online);
    EXPECT_EQ(TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam2/getZoom").status,
              200);
}

TEST(HubFaults, CameraStoppedAndStartedAgainOnTheSamePathIsStoppedAndServedAgain) {
    HubOnChain chain(healing());
    ASSERT_TRUE(chain.waitOnline());
    chain.events.clear();
    const auto stopped = Clock::now();
    chain.stopCamera();
    const double offline = until(chain, "cam1", "offline", stopped, std::chrono::seconds(5));
    const auto started = Clock::now();
    chain.restartCamera(3);
    const double online = until(chain, "cam3", "online", started, std::chrono::seconds(15));
    figure("camera restarted", offline, online);
    // The link set-up stopped every camera of the chain, for whoever left it moving.
    const std::vector<std::string> frames = chain.wire.take();
    for (const char* stop :
         {"81 01 06 01", "82 01 06 01", "83 01 06 01", "81 01 04 07 00 FF", "83 01 04 08 00 FF"}) {
        EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const std::string& f) {
            return f.rfind(stop, 0) == 0;
        })) << stop;
    }
}

TEST(HubFaults, ChainThatComesBackShorterReportsTheMissingCamera) {
    HubOnChain chain(healing());
    ASSERT_TRUE(chain.waitOnline("cam3"));
    chain.events.clear();
    chain.stopCamera();
    ASSERT_FALSE(chain.events.waitFor(health("cam3", "offline")).is_null());
    chain.events.clear();
    chain.restartCamera(2);
    ASSERT_FALSE(
        chain.events.waitFor(health("cam1", "online"), std::chrono::seconds(15)).is_null());
    const json cam3 = chain.hub->cameraJson("cam3");
    EXPECT_EQ(cam3["health"], "offline");
    EXPECT_EQ(cam3["reason"], "not on the chain: the link set-up counted 2 camera(s)");
    const TestSupport::HttpReply reply =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam3/getZoom");
    EXPECT_EQ(reply.status, 503);
    EXPECT_NE(reply.body.find("camera 3 is not on link"), std::string::npos) << reply.body;
}

TEST(HubFaults, LineHungUpGoesOfflineAndHealsOnceAPortIsThere) {
    HubOnChain chain(healing());
    ASSERT_TRUE(chain.waitOnline());
    chain.events.clear();
    const auto hung = Clock::now();
    chain.camera->hangUp();
    const double offline = until(chain, "cam1", "offline", hung, std::chrono::seconds(5));
    const auto replugged = Clock::now();
    chain.restartCamera(3);
    const double online = until(chain, "cam1", "online", replugged, std::chrono::seconds(15));
    figure("line hung up", offline, online);
}

TEST(HubFaults, RequestThatFindsTheLineGoneTakesItOfflineAtOnce) {
    HubOnChain chain(healing());
    ASSERT_TRUE(chain.waitOnline());
    chain.events.clear();
    chain.camera->setFault(Camsim::Fault::Hangup);
    const auto asked = Clock::now();
    const TestSupport::HttpReply reply =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam1/getPowerState");
    EXPECT_EQ(reply.status, 503) << reply.body;
    const double offline = until(chain, "cam1", "offline", asked, std::chrono::seconds(5));
    EXPECT_LT(offline, 1000.0);
    std::printf("[figure] request on a hung-up line: offline after %.0f ms\n", offline);
}

TEST(HubFaults, ClosedTcpConnectionIsReopened) {
    ChainOptions o = healing(1);
    o.tcp = true;
    // The connection closes at its ninth request: the link set-up takes six.
    o.networkFault.fault = Camsim::NetworkFault::Close;
    o.networkFault.request = 9;
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    chain.events.clear();
    const auto start = Clock::now();
    TestSupport::HttpClient client(chain.port());
    int status = 200;
    for (int i = 0; i < 5 && status == 200; ++i) {
        status = client.request("POST", "/api/cameras/cam1/getPowerState").status;
    }
    EXPECT_EQ(status, 503);
    const double offline = until(chain, "cam1", "offline", start, std::chrono::seconds(5));
    const auto closed = Clock::now();
    const double online = until(chain, "cam1", "online", closed, std::chrono::seconds(15));
    figure("TCP connection closed", offline, online);
    EXPECT_EQ(client.request("POST", "/api/cameras/cam1/getPowerState").status, 200);
}

}  // namespace
}  // namespace HubTest
