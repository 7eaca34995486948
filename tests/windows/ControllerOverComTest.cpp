// quorvin.dll as a Windows caller uses it: linked at load time, driving virtual cameras through
// COM ports of the Wine prefix. The std::string arguments and the DriverException thrown
// inside the DLL cross into this program, as they do into Demo.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "ComPorts.h"
#include "HandleCount.h"
#include "quorvin/Controller.h"
#include "tests/support/Raised.h"

namespace {

using TestSupport::raisedBy;

using namespace std::chrono_literals;
using CameraDriver::Controller;
using CameraDriver::DriverException;
using Clock = std::chrono::steady_clock;

class ControllerOverCom : public testing::Test {
  protected:
    void SetUp() override { camera.connect(WindowsTest::CAMERA_PORT); }
    void TearDown() override { camera.disconnect(); }

    Controller camera;
};

TEST_F(ControllerOverCom, CountsTheCamerasOnTheLine) {
    EXPECT_EQ(camera.getCamerasTotal(), 3);
    EXPECT_EQ(camera.getCurCamera(), 1);
}

TEST_F(ControllerOverCom, MovesAndReadsThePositionBack) {
    camera.moveUp(10);
    camera.stopMove();
    camera.setPanTilt(0.5, -0.25, 24, 20);
    double pan = 0;
    double tilt = 0;
    camera.getPanTilt(pan, tilt);
    // Counts come back as fractions through an offset, so the centre is near zero, not zero.
    EXPECT_NEAR(pan, 0.5, 1e-12);
    EXPECT_NEAR(tilt, -0.25, 1e-12);
    camera.moveHome();
    camera.getPanTilt(pan, tilt);
    EXPECT_NEAR(pan, 0.0, 1e-12);
    EXPECT_NEAR(tilt, 0.0, 1e-12);
}

TEST_F(ControllerOverCom, SettingsReadBack) {
    struct Switch {
        const char* name;
        void (Controller::*set)(bool);
        bool (Controller::*get)();
    };
    const Switch switches[] = {
        {"power", &Controller::setPowerState, &Controller::getPowerState},
        {"auto focus", &Controller::setFocusMode, &Controller::getFocusMode},
        {"digital zoom", &Controller::setDZoomState, &Controller::getDZoomState},
        {"back light", &Controller::setBackLightState, &Controller::getBackLightState},
    };
    for (const Switch& s : switches) {
        for (const bool value : {true, false, true}) {
            (camera.*s.set)(value);
            EXPECT_EQ((camera.*s.get)(), value) << s.name;
        }
    }
    camera.setWBMode(Controller::WBIndoor);
    EXPECT_EQ(camera.getWBMode(), Controller::WBIndoor);
    camera.setZoom(0.5);
    EXPECT_NEAR(camera.getZoom(), 0.5, 1.0 / 16384);
    camera.setGain(7);
    EXPECT_EQ(camera.getGain(), 7);
}

TEST_F(ControllerOverCom, EachCameraOnTheLineKeepsItsOwnSettings) {
    camera.setCurCamera(3);
    camera.setWBMode(Controller::WBOutdoor);
    camera.setCurCamera(1);
    camera.setWBMode(Controller::WBAuto);
    EXPECT_EQ(camera.getWBMode(), Controller::WBAuto);
    camera.setCurCamera(3);
    EXPECT_EQ(camera.getWBMode(), Controller::WBOutdoor);
    camera.setCurCamera(1);
}

TEST(ControllerOverComFailures, PortThatDoesNotExist) {
    Controller camera;
    EXPECT_EQ(raisedBy([&] { camera.connect(WindowsTest::MISSING_PORT); }),
              "WinSerialCommAdaptor::connect() failed !");
}

TEST(ControllerOverComFailures, SilentCameraTimesOut) {
    raisedBy([] { Controller().connect(WindowsTest::MISSING_PORT); });
    const std::size_t before = WindowsTest::openHandles();
    Controller camera;
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.connect(WindowsTest::SILENT_PORT); }),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    EXPECT_GE(Clock::now() - start, 6000ms);
    // The failed connect leaves the port open for the caller to disconnect; the abandoned
    // transfer leaves nothing.
    camera.disconnect();
    EXPECT_EQ(WindowsTest::openHandles(), before);
}

// Runs `body` with the debug log going to `file` and returns what the file received.
std::string loggedDuring(const std::string& file, const std::function<void()>& body) {
    setLogFile(file);
    setDebugEnabled(true);
    body();
    setDebugEnabled(false);
    setLogEnabled(false);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    std::remove(file.c_str());
    return text.str();
}

// The log's switches take a std::string from this program; the file that they open receives
// the library's lines.
TEST(ControllerOverComLog, LogFileNamedByTheCallerReceivesTheExchange) {
    const std::string text = loggedDuring("quorvin-windows-test.log", [] {
        Controller camera;
        camera.connect(WindowsTest::CAMERA_PORT);
        camera.disconnect();
    });
    EXPECT_NE(text.find(std::string("[Debug] open port: ") + WindowsTest::CAMERA_PORT + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Debug] close COM port\n"), std::string::npos) << text;
}

// COM10 and above: the caller names the port as usual, and the log keeps that name.
TEST(ControllerOverComLog, PortNumberedAboveNineConnectsByItsPlainName) {
    const std::string text = loggedDuring("quorvin-windows-high-port.log", [] {
        Controller camera;
        camera.connect(WindowsTest::HIGH_PORT);
        EXPECT_EQ(camera.getCamerasTotal(), 2);
        camera.disconnect();
    });
    EXPECT_NE(text.find(std::string("[Debug] open port: ") + WindowsTest::HIGH_PORT + "\n"),
              std::string::npos)
        << text;
}

}  // namespace
