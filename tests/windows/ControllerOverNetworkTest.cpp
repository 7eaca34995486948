// quorvin.dll over Winsock: the Controller over tcp:// and udp:// against the Linux virtual
// camera serving its first camera on the host's loopback, which Wine's sockets reach. The
// cameras print their network names into files that the build names (QUORVIN_NETWORK_CAMERA
// and QUORVIN_CLOSING_CAMERA, as seen through Wine's drive Z:).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "HandleCount.h"
#include "quorvin/Controller.h"
#include "tests/support/Raised.h"
#include "tests/support/TempDir.h"

#if !defined(QUORVIN_NETWORK_CAMERA) || !defined(QUORVIN_CLOSING_CAMERA)
#error "the network cameras' files are named by the build"
#endif

namespace {

using namespace std::chrono_literals;
using CameraDriver::Controller;
using TestSupport::raisedBy;
using Clock = std::chrono::steady_clock;

// The line of a camera's output that starts with `scheme` ("tcp://"); the camera may still be
// writing it when the test starts.
std::string networkName(const char* file, const std::string& scheme) {
    const auto deadline = Clock::now() + 5s;
    do {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            if (line.compare(0, scheme.size(), scheme) == 0) return line;
        }
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < deadline);
    ADD_FAILURE() << "no " << scheme << " line in " << file;
    return scheme + "127.0.0.1:1";
}

class OverNetwork : public testing::TestWithParam<const char*> {
  protected:
    std::string name() const { return networkName(QUORVIN_NETWORK_CAMERA, GetParam()); }

    Controller camera;
};

TEST_P(OverNetwork, CountsOneCameraAndReadsSettingsBack) {
    camera.connect(name());
    EXPECT_EQ(camera.getCamerasTotal(), 1);
    EXPECT_TRUE(camera.getPowerState());
    camera.setWBMode(Controller::WBOutdoor);
    EXPECT_EQ(camera.getWBMode(), Controller::WBOutdoor);
    camera.setGain(5);
    EXPECT_EQ(camera.getGain(), 5);
    camera.setPanTilt(0.5, -0.25, 0, 0);
    double pan = 0;
    double tilt = 0;
    camera.getPanTilt(pan, tilt);
    EXPECT_NEAR(pan, 0.5, 1e-12);
    EXPECT_NEAR(tilt, -0.25, 1e-12);
    camera.moveHome();
    camera.disconnect();
}

TEST_P(OverNetwork, SendsTheFramesOfTheSerialLine) {
    TestSupport::TempDir folder;
    const std::string log = folder.path("network.log");
    setLogFile(log);
    setDebugEnabled(true);
    camera.connect(name());
    camera.setZoom(0.5);
    EXPECT_NEAR(camera.getZoom(), 0.5, 1.0 / 16384);
    camera.disconnect();
    setDebugEnabled(false);
    setLogEnabled(false);
    const std::string text = TestSupport::readFile(log);
    EXPECT_NE(text.find("[Debug] 81 01 04 47 02 00 00 00 ff "), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] 81 09 04 47 ff "), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] 90 50 02 00 00 00 ff "), std::string::npos) << text;
    setLogFile("./CameraDriver.log");
}

TEST_P(OverNetwork, LeavesNoHandleOpen) {
    // Winsock's own first start opens handles that stay; the second connect shows ours.
    camera.connect(name());
    camera.disconnect();
    const std::size_t before = WindowsTest::openHandles();
    camera.connect(name());
    EXPECT_EQ(camera.getCamerasTotal(), 1);
    camera.disconnect();
    EXPECT_EQ(WindowsTest::openHandles(), before);
}

INSTANTIATE_TEST_SUITE_P(Links, OverNetwork, testing::Values("tcp://", "udp://"),
                         [](const auto& row) { return std::string(row.param).substr(0, 3); });

struct Failure {
    const char* name;
    const char* port;
    const char* message;
};

class NetworkNameFails : public testing::TestWithParam<Failure> {};

// Nothing listens on TCP port 1 of the loopback; a .invalid name never resolves.
TEST_P(NetworkNameFails, AtOnceWithTheCameraNamed) {
    Controller camera;
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.connect(GetParam().port); }), GetParam().message);
    EXPECT_LT(Clock::now() - start, 3s);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NetworkNameFails,
    testing::Values(Failure{"Refused", "tcp://127.0.0.1:1",
                            "Network camera 127.0.0.1:1: connection refused"},
                    Failure{"UnknownHost", "tcp://camera.invalid:5678",
                            "Network camera camera.invalid:5678: host name not resolved"},
                    Failure{"UnknownUdpHost", "udp://camera.invalid",
                            "Network camera camera.invalid:52381: host name not resolved"}),
    [](const auto& row) { return std::string(row.param.name); });

// The closing camera cuts its TCP connection after the first byte of the reply to the first
// request after connect.
TEST(OverNetworkPeerCloses, FailsAtOnceAndAReconnectWorks) {
    const std::string name = networkName(QUORVIN_CLOSING_CAMERA, "tcp://");
    Controller camera;
    camera.connect(name);
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.getPowerState(); }),
              "Network camera " + name.substr(6) + ": connection closed");
    EXPECT_LT(Clock::now() - start, 3s) << "not the 6 s time-out";
    // A new connection's Address_Set and IF_Clear are answered again.
    camera.connect(name);
    camera.disconnect();
}

}  // namespace
